// The OpenGL 3.3 core backend of the gpu facility. Under a window that takes
// OpenGL the context is SDL's on that window, so that presenting is a blit
// into the window and a buffer swap; otherwise it is an EGL context without a
// window (Mesa's surfaceless platform, or any driver's). Surfaces stay the
// owners of their pixels: a texture or render target is uploaded when its
// surface changed since the last upload, and a render target is read back
// into its surface when a scene ends. Texture stages, alpha test and colour
// key become fragment shaders generated per state combination.
#define GL_GLEXT_PROTOTYPES 1
#include "platform/gpu/GpuOpenGL.h"

#include "platform/window/WindowSdl.h"

#include <EGL/egl.h>
#include <EGL/eglext.h>
#include <GL/glcorearb.h>
#include <SDL.h>

#include <cstddef>
#include <cstring>
#include <initializer_list>
#include <map>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace platform::gpu::opengl {
namespace {

struct GlSurface {
  GLuint texture = 0;
  GLuint framebuffer = 0;
  int width = 0, height = 0;
  uint64_t generation = ~0ull;  // of the surface when last uploaded or read back
};

struct State {
  bool tried = false, ready = false;
  EGLDisplay display = EGL_NO_DISPLAY;
  EGLContext context = EGL_NO_CONTEXT;
  SDL_GLContext windowContext = nullptr;  // SDL's context on the window, when it is the one in use
  GlSurface window;                       // what the window shows, at its client size, top row first
  std::string renderer;
  GLint maxTextureSize = 2048;
  GLuint vao = 0, vbo = 0, ebo = 0, vertexShader = 0;
  std::map<std::string, GLuint> programs;
  std::unordered_map<SurfaceHandle, GlSurface> surfaces;
  uint32_t renderStates[256] = {};
  uint32_t stageStates[8][32] = {};
  SurfaceHandle stageTextures[8] = {};
  SurfaceHandle target = 0;
  Viewport viewport;
  bool targetDrawn = false;
  GLuint samplers[8] = {};
};
State& S() {
  static State state;
  return state;
}

constexpr const char* kVertexShader = R"(#version 330 core
layout(location = 0) in vec4 aPosition;
layout(location = 1) in vec4 aDiffuse;
layout(location = 2) in vec4 aSpecular;
layout(location = 3) in vec2 aCoord0;
layout(location = 4) in vec2 aCoord1;
uniform vec2 uSize;
flat out vec4 vDiffuse;
flat out vec4 vSpecular;
out vec2 vCoord0;
out vec2 vCoord1;
void main() {
  // Pixel centres lie on whole coordinates for the caller, on halves for GL.
  gl_Position = vec4((aPosition.x + 0.5) / uSize.x * 2.0 - 1.0, (aPosition.y + 0.5) / uSize.y * 2.0 - 1.0, 0.0, 1.0);
  vDiffuse = aDiffuse;
  vSpecular = aSpecular;
  vCoord0 = aCoord0;
  vCoord1 = aCoord1;
}
)";

GLuint Compile(GLenum kind, const std::string& source) {
  const GLuint shader = glCreateShader(kind);
  const char* text = source.c_str();
  glShaderSource(shader, 1, &text, nullptr);
  glCompileShader(shader);
  GLint ok = 0;
  glGetShaderiv(shader, GL_COMPILE_STATUS, &ok);
  if (ok == 0) {
    glDeleteShader(shader);
    return 0;
  }
  return shader;
}

void ResetStates() {
  State& s = S();
  std::memset(s.renderStates, 0, sizeof s.renderStates);
  std::memset(s.stageStates, 0, sizeof s.stageStates);
  s.renderStates[kRsSrcBlend] = kBlendOne;
  s.renderStates[kRsDestBlend] = kBlendZero;
  s.renderStates[kRsAlphaFunc] = kCmpAlways;
  s.renderStates[kRsTextureFactor] = 0xFFFFFFFFu;
  s.renderStates[kRsShadeMode] = 2;
  for (int i = 0; i < 8; ++i) {
    uint32_t* t = s.stageStates[i];
    t[kTssColorOp] = i == 0 ? kTopModulate : kTopDisable;
    t[kTssColorArg1] = kTaTexture;
    t[kTssColorArg2] = kTaCurrent;
    t[kTssAlphaOp] = i == 0 ? kTopSelectArg1 : kTopDisable;
    t[kTssAlphaArg1] = kTaTexture;
    t[kTssAlphaArg2] = kTaCurrent;
    t[kTssTexCoordIndex] = static_cast<uint32_t>(i);
    t[kTssMagFilter] = t[kTssMinFilter] = 1;
    s.stageTextures[i] = 0;
  }
}

// --- Pixels between surfaces and GL -------------------------------------------------------

struct Channel {
  uint32_t mask;
  int shift;
  uint32_t max;
};
Channel ChannelOf(uint32_t mask) {
  Channel c{mask, 0, 0};
  if (mask == 0) return c;
  while (((mask >> c.shift) & 1) == 0) ++c.shift;
  c.max = mask >> c.shift;
  return c;
}
uint8_t Expand(uint32_t v, const Channel& c, uint8_t absent) {
  if (c.mask == 0) return absent;
  return static_cast<uint8_t>((((v & c.mask) >> c.shift) * 255 + c.max / 2) / c.max);
}
uint32_t Reduce(uint8_t v, const Channel& c) {
  if (c.mask == 0) return 0;
  return ((static_cast<uint32_t>(v) * c.max + 127) / 255) << c.shift;
}

// The surface's pixels as RGBA rows; keyed texels of a format without alpha get alpha 0.
bool ReadSurface(SurfaceHandle surface, std::vector<uint8_t>* rgba, int* width, int* height) {
  PixelFormat f{};
  if (GetSurfaceFormat(surface, width, height, &f) == 0) return false;
  uint32_t keyLow = 1, keyHigh = 0;
  const bool keyed = f.alphaMask == 0 && GetSurfaceColorKey(surface, &keyLow, &keyHigh);
  uint8_t* bits = nullptr;
  int pitch = 0;
  if (LockSurface(surface, nullptr, &bits, &pitch) != kDdOk) return false;
  const Channel r = ChannelOf(f.redMask), g = ChannelOf(f.greenMask), b = ChannelOf(f.blueMask),
                a = ChannelOf(f.alphaMask);
  const int bytes = static_cast<int>(f.bitCount / 8);
  rgba->resize(static_cast<size_t>(*width) * *height * 4);
  uint8_t* out = rgba->data();
  for (int y = 0; y < *height; ++y) {
    const uint8_t* row = bits + static_cast<size_t>(y) * pitch;
    for (int x = 0; x < *width; ++x, out += 4) {
      uint32_t v = 0;
      std::memcpy(&v, row + static_cast<ptrdiff_t>(x) * bytes, bytes);
      out[0] = Expand(v, r, 0);
      out[1] = Expand(v, g, 0);
      out[2] = Expand(v, b, 0);
      out[3] = Expand(v, a, 255);
      if (keyed && v >= keyLow && v <= keyHigh) out[3] = 0;
    }
  }
  UnlockSurface(surface);
  return true;
}

void WriteSurface(SurfaceHandle surface, const std::vector<uint8_t>& rgba) {
  PixelFormat f{};
  int width = 0, height = 0;
  if (GetSurfaceFormat(surface, &width, &height, &f) == 0) return;
  uint8_t* bits = nullptr;
  int pitch = 0;
  if (LockSurface(surface, nullptr, &bits, &pitch) != kDdOk) return;
  const Channel r = ChannelOf(f.redMask), g = ChannelOf(f.greenMask), b = ChannelOf(f.blueMask),
                a = ChannelOf(f.alphaMask);
  const int bytes = static_cast<int>(f.bitCount / 8);
  const uint32_t all = bytes == 4 ? 0xFFFFFFFFu : (1u << (bytes * 8)) - 1;
  const uint32_t unused = all & ~(f.redMask | f.greenMask | f.blueMask | f.alphaMask);
  const uint8_t* in = rgba.data();
  for (int y = 0; y < height; ++y) {
    uint8_t* row = bits + static_cast<size_t>(y) * pitch;
    for (int x = 0; x < width; ++x, in += 4) {
      const uint32_t v = Reduce(in[0], r) | Reduce(in[1], g) | Reduce(in[2], b) | Reduce(in[3], a) | unused;
      std::memcpy(row + static_cast<ptrdiff_t>(x) * bytes, &v, bytes);
    }
  }
  UnlockSurface(surface);
}

GlSurface& Entry(SurfaceHandle surface) {
  GlSurface& e = S().surfaces[surface];
  int width = 0, height = 0;
  GetSurfaceFormat(surface, &width, &height, nullptr);
  if (e.texture == 0 || e.width != width || e.height != height) {
    if (e.texture == 0) glGenTextures(1, &e.texture);
    glBindTexture(GL_TEXTURE_2D, e.texture);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, width, height, 0, GL_RGBA, GL_UNSIGNED_BYTE, nullptr);
    e.width = width;
    e.height = height;
    e.generation = ~0ull;
  }
  return e;
}

// Brings the GL copy up to the surface's pixels when they changed.
GlSurface& Synced(SurfaceHandle surface) {
  GlSurface& e = Entry(surface);
  if (e.generation == GetSurfaceGeneration(surface)) return e;
  std::vector<uint8_t> rgba;
  int width = 0, height = 0;
  if (ReadSurface(surface, &rgba, &width, &height)) {
    glBindTexture(GL_TEXTURE_2D, e.texture);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, width, height, GL_RGBA, GL_UNSIGNED_BYTE, rgba.data());
  }
  e.generation = GetSurfaceGeneration(surface);
  return e;
}

void BindTarget() {
  State& s = S();
  GlSurface& e = Synced(s.target);
  if (e.framebuffer == 0) {
    glGenFramebuffers(1, &e.framebuffer);
    glBindFramebuffer(GL_FRAMEBUFFER, e.framebuffer);
    glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, e.texture, 0);
  }
  glBindFramebuffer(GL_FRAMEBUFFER, e.framebuffer);
  glViewport(0, 0, e.width, e.height);
}

// Writes what was drawn back into the target surface.
void ReadBackTarget() {
  State& s = S();
  if (!s.targetDrawn || s.target == 0) return;
  s.targetDrawn = false;
  GlSurface& e = Entry(s.target);
  std::vector<uint8_t> rgba(static_cast<size_t>(e.width) * e.height * 4);
  glBindFramebuffer(GL_FRAMEBUFFER, e.framebuffer);
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  glReadPixels(0, 0, e.width, e.height, GL_RGBA, GL_UNSIGNED_BYTE, rgba.data());
  WriteSurface(s.target, rgba);
  e.generation = GetSurfaceGeneration(s.target);
}

// --- Generated fragment shaders ----------------------------------------------------------------

// Joins pieces of shader text in one allocation.
std::string Join(std::initializer_list<std::string_view> parts) {
  size_t size = 0;
  for (const std::string_view part : parts) size += part.size();
  std::string out;
  out.reserve(size);
  for (const std::string_view part : parts) out += part;
  return out;
}

std::string Arg(uint32_t arg, int stage) {
  std::string v;
  switch (arg & 0xF) {
    case kTaDiffuse: v = "diffuse"; break;
    case kTaCurrent: v = "current"; break;
    case kTaTexture: v = Join({"t", std::to_string(stage)}); break;
    case kTaTFactor: v = "factor"; break;
    case kTaSpecular: v = "specular"; break;
    default: v = "vec4(1.0)"; break;
  }
  if ((arg & kTaComplement) != 0) return Join({"(vec4(1.0) - ", v, ")"});
  return v;
}

std::string Op(uint32_t op, const std::string& a, const std::string& b, const char* part) {
  std::string x = Join({a, part}), y = Join({b, part});
  switch (op) {
    case kTopSelectArg1: return x;
    case kTopSelectArg2: return y;
    case kTopModulate: return Join({x, " * ", y});
    case kTopModulate2x: return Join({"2.0 * ", x, " * ", y});
    case kTopModulate4x: return Join({"4.0 * ", x, " * ", y});
    case kTopAdd: return Join({x, " + ", y});
    case kTopSubtract: return Join({x, " - ", y});
    case kTopBlendDiffuseAlpha: return Join({"mix(", y, ", ", x, ", diffuse.a)"});
    case kTopBlendCurrentAlpha: return Join({"mix(", y, ", ", x, ", current.a)"});
    default: return x;
  }
}

GLuint Program() {
  State& s = S();
  std::string body;
  const bool colorKey = s.renderStates[kRsColorKeyEnable] != 0;
  for (int i = 0; i < 8; ++i) {
    const uint32_t* t = s.stageStates[i];
    if (t[kTssColorOp] == kTopDisable) break;
    const std::string n = std::to_string(i);
    const std::string coord = (t[kTssTexCoordIndex] & 1) != 0 ? "vCoord1" : "vCoord0";
    if (i < 4) {
      body += Join({"  vec4 t", n, " = texture(uTexture", n, ", ", coord, ");\n"});
      body += Join({"  if (uNoAlpha[", n, "] > 0.5) {\n"});
      if (colorKey) body += Join({"    if (uBound[", n, "] > 0.5 && t", n, ".a < 0.5) discard;\n"});
      body += Join({"    t", n, ".a = 1.0;\n  }\n"});
    } else {
      body += Join({"  vec4 t", n, " = vec4(1.0);\n"});
    }
    const std::string c1 = Arg(t[kTssColorArg1], i), c2 = Arg(t[kTssColorArg2], i);
    const std::string a1 = Arg(t[kTssAlphaArg1], i), a2 = Arg(t[kTssAlphaArg2], i);
    const std::string alpha = t[kTssAlphaOp] == kTopDisable ? "current.a" : Op(t[kTssAlphaOp], a1, a2, ".a");
    body += Join({"  current = clamp(vec4(", Op(t[kTssColorOp], c1, c2, ".rgb"), ", ", alpha, "), 0.0, 1.0);\n"});
  }
  if (s.renderStates[kRsAlphaTestEnable] != 0) {
    const uint32_t func = s.renderStates[kRsAlphaFunc];
    const char* cmp = func == kCmpGreater ? ">" : func == kCmpGreaterEqual ? ">=" : nullptr;
    if (cmp != nullptr) body += Join({"  if (!(floor(current.a * 255.0 + 0.5) ", cmp, " uAlphaRef)) discard;\n"});
    else if (func == 1) body += "  discard;\n";
  }
  auto found = s.programs.find(body);
  if (found != s.programs.end()) return found->second;
  const std::string source =
      Join({"#version 330 core\n"
            "flat in vec4 vDiffuse;\nflat in vec4 vSpecular;\nin vec2 vCoord0;\nin vec2 vCoord1;\n"
            "uniform sampler2D uTexture0, uTexture1, uTexture2, uTexture3;\n"
            "uniform float uNoAlpha[4];\nuniform float uBound[4];\nuniform vec4 uFactor;\n"
            "uniform float uAlphaRef;\nout vec4 oColor;\nvoid main() {\n"
            "  vec4 diffuse = vDiffuse, specular = vSpecular, factor = uFactor, current = diffuse;\n",
            body, "  oColor = current;\n}\n"});
  const GLuint fragment = Compile(GL_FRAGMENT_SHADER, source);
  GLuint program = glCreateProgram();
  glAttachShader(program, s.vertexShader);
  if (fragment != 0) glAttachShader(program, fragment);
  glLinkProgram(program);
  GLint ok = 0;
  glGetProgramiv(program, GL_LINK_STATUS, &ok);
  if (fragment != 0) glDeleteShader(fragment);
  if (ok == 0) {
    glDeleteProgram(program);
    program = 0;
  }
  s.programs.emplace(body, program);
  return program;
}

GLenum BlendFactorOf(uint32_t f) {
  switch (f) {
    case kBlendZero: return GL_ZERO;
    case kBlendOne: return GL_ONE;
    case kBlendSrcColor: return GL_SRC_COLOR;
    case kBlendInvSrcColor: return GL_ONE_MINUS_SRC_COLOR;
    case kBlendSrcAlpha: return GL_SRC_ALPHA;
    case kBlendInvSrcAlpha: return GL_ONE_MINUS_SRC_ALPHA;
    case 7: return GL_DST_ALPHA;
    case 8: return GL_ONE_MINUS_DST_ALPHA;
    case kBlendDestColor: return GL_DST_COLOR;
    case kBlendInvDestColor: return GL_ONE_MINUS_DST_COLOR;
    default: return GL_ONE;
  }
}

void ApplyPipeline(GLuint program) {
  State& s = S();
  glUseProgram(program);
  const GlSurface& target = Entry(s.target);
  glUniform2f(glGetUniformLocation(program, "uSize"), static_cast<float>(target.width),
              static_cast<float>(target.height));
  const uint32_t factor = s.renderStates[kRsTextureFactor];
  glUniform4f(glGetUniformLocation(program, "uFactor"), ((factor >> 16) & 0xFF) / 255.0f,
              ((factor >> 8) & 0xFF) / 255.0f, (factor & 0xFF) / 255.0f, (factor >> 24) / 255.0f);
  glUniform1f(glGetUniformLocation(program, "uAlphaRef"), static_cast<float>(s.renderStates[kRsAlphaRef] & 0xFF));
  float noAlpha[4] = {}, bound[4] = {};
  for (int i = 0; i < 4; ++i) {
    const std::string name = Join({"uTexture", std::to_string(i)});
    glUniform1i(glGetUniformLocation(program, name.c_str()), i);
    glActiveTexture(GL_TEXTURE0 + i);
    const SurfaceHandle t = s.stageTextures[i];
    if (t != 0 && t != s.target) {
      PixelFormat f{};
      GetSurfaceFormat(t, nullptr, nullptr, &f);
      noAlpha[i] = f.alphaMask == 0 ? 1.0f : 0.0f;
      bound[i] = 1.0f;
      glBindTexture(GL_TEXTURE_2D, Synced(t).texture);
    } else {
      glBindTexture(GL_TEXTURE_2D, 0);
    }
    const bool linear = s.stageStates[i][kTssMagFilter] == 2;
    glSamplerParameteri(s.samplers[i], GL_TEXTURE_MAG_FILTER, linear ? GL_LINEAR : GL_NEAREST);
    glSamplerParameteri(s.samplers[i], GL_TEXTURE_MIN_FILTER,
                        s.stageStates[i][kTssMinFilter] == 2 ? GL_LINEAR : GL_NEAREST);
    glBindSampler(i, s.samplers[i]);
  }
  glUniform1fv(glGetUniformLocation(program, "uNoAlpha"), 4, noAlpha);
  glUniform1fv(glGetUniformLocation(program, "uBound"), 4, bound);
  if (s.renderStates[kRsAlphaBlendEnable] != 0) {
    glEnable(GL_BLEND);
    glBlendFunc(BlendFactorOf(s.renderStates[kRsSrcBlend]), BlendFactorOf(s.renderStates[kRsDestBlend]));
  } else {
    glDisable(GL_BLEND);
  }
  glEnable(GL_SCISSOR_TEST);
  glScissor(static_cast<GLint>(s.viewport.x), static_cast<GLint>(s.viewport.y), static_cast<GLsizei>(s.viewport.width),
            static_cast<GLsizei>(s.viewport.height));
}

void SetUpAttributes(uint32_t fvf) {
  const int stride = VertexStride(fvf);
  for (GLuint i = 0; i < 5; ++i) glDisableVertexAttribArray(i);
  auto attribute = [&](GLuint index, GLint size, GLenum type, bool normalised, int offset) {
    glEnableVertexAttribArray(index);
    glVertexAttribPointer(index, size, type, normalised ? GL_TRUE : GL_FALSE, stride,
                          reinterpret_cast<const void*>(static_cast<uintptr_t>(offset)));
  };
  attribute(0, 4, GL_FLOAT, false, 0);
  attribute(1, GL_BGRA, GL_UNSIGNED_BYTE, true, 16);
  glVertexAttrib4f(2, 1, 1, 1, 1);
  glVertexAttrib2f(3, 0, 0);
  glVertexAttrib2f(4, 0, 0);
  if (fvf == kFvfOneTexture) {
    attribute(3, 2, GL_FLOAT, false, 20);
  } else if (fvf == kFvfTwoTextures) {
    attribute(2, GL_BGRA, GL_UNSIGNED_BYTE, true, 20);
    attribute(3, 2, GL_FLOAT, false, 24);
    attribute(4, 2, GL_FLOAT, false, 32);
  }
}

// The window, when it takes OpenGL.
SDL_Window* GlWindow() {
  auto* window = static_cast<SDL_Window*>(sdlwindow::NativeWindow());
  return window != nullptr && (SDL_GetWindowFlags(window) & SDL_WINDOW_OPENGL) != 0 ? window : nullptr;
}

bool CreateWindowContext() {
  State& s = S();
  SDL_Window* window = GlWindow();
  if (window == nullptr) return false;
  SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 3);
  SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 3);
  SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_CORE);
  SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
  s.windowContext = SDL_GL_CreateContext(window);
  if (s.windowContext == nullptr) return false;
  // The caller paces its frames; a swap must not wait for the display as well.
  SDL_GL_SetSwapInterval(0);
  return true;
}

// SDL lets go of the context when its window is destroyed, and a window made
// anew needs it current on itself: every entry point comes through here.
void MakeCurrent() {
  State& s = S();
  if (s.windowContext == nullptr) return;
  SDL_Window* window = GlWindow();
  if (SDL_GL_GetCurrentContext() == s.windowContext && SDL_GL_GetCurrentWindow() == window) return;
  SDL_GL_MakeCurrent(window, s.windowContext);
}

bool CreateSurfacelessContext() {
  State& s = S();
  auto getDisplay = reinterpret_cast<PFNEGLGETPLATFORMDISPLAYEXTPROC>(eglGetProcAddress("eglGetPlatformDisplayEXT"));
  s.display =
      getDisplay != nullptr ? getDisplay(EGL_PLATFORM_SURFACELESS_MESA, EGL_DEFAULT_DISPLAY, nullptr) : EGL_NO_DISPLAY;
  if (s.display == EGL_NO_DISPLAY) s.display = eglGetDisplay(EGL_DEFAULT_DISPLAY);
  EGLint major = 0, minor = 0;
  if (s.display == EGL_NO_DISPLAY || eglInitialize(s.display, &major, &minor) == EGL_FALSE) return false;
  if (eglBindAPI(EGL_OPENGL_API) == EGL_FALSE) return false;
  const EGLint configAttributes[] = {EGL_RENDERABLE_TYPE, EGL_OPENGL_BIT, EGL_NONE};
  EGLConfig config = nullptr;
  EGLint count = 0;
  eglChooseConfig(s.display, configAttributes, &config, 1, &count);
  const EGLint contextAttributes[] = {
      EGL_CONTEXT_MAJOR_VERSION,           3,       EGL_CONTEXT_MINOR_VERSION, 3, EGL_CONTEXT_OPENGL_PROFILE_MASK,
      EGL_CONTEXT_OPENGL_CORE_PROFILE_BIT, EGL_NONE};
  s.context = eglCreateContext(s.display, count > 0 ? config : EGL_NO_CONFIG_KHR, EGL_NO_CONTEXT, contextAttributes);
  return s.context != EGL_NO_CONTEXT &&
         eglMakeCurrent(s.display, EGL_NO_SURFACE, EGL_NO_SURFACE, s.context) != EGL_FALSE;
}

}  // namespace

bool OnlySoftwareDevices() {
  // Listing the devices loads EGL's vendor libraries but no driver; a context
  // would load the driver, which costs far more.
  static const bool only = [] {
    const char* extensions = eglQueryString(EGL_NO_DISPLAY, EGL_EXTENSIONS);
    if (extensions == nullptr || std::strstr(extensions, "EGL_EXT_device_enumeration") == nullptr ||
        std::strstr(extensions, "EGL_EXT_device_query") == nullptr)
      return false;
    auto queryDevices = reinterpret_cast<PFNEGLQUERYDEVICESEXTPROC>(eglGetProcAddress("eglQueryDevicesEXT"));
    auto queryString = reinterpret_cast<PFNEGLQUERYDEVICESTRINGEXTPROC>(eglGetProcAddress("eglQueryDeviceStringEXT"));
    if (queryDevices == nullptr || queryString == nullptr) return false;
    EGLDeviceEXT devices[16];
    EGLint count = 0;
    if (queryDevices(16, devices, &count) == EGL_FALSE || count <= 0) return false;
    for (EGLint i = 0; i < count && i < 16; ++i) {
      const char* deviceExtensions = queryString(devices[i], EGL_EXTENSIONS);
      if (deviceExtensions == nullptr || std::strstr(deviceExtensions, "EGL_MESA_device_software") == nullptr)
        return false;
    }
    return true;
  }();
  return only;
}

bool Started() { return S().tried; }

DeviceInfo SoftwareDevice() {
  DeviceInfo d;
  d.type = DeviceType::Software;
  d.name = "software rasteriser";
  d.maxTextureWidth = d.maxTextureHeight = 4096;
  return d;
}

bool Available() {
  State& s = S();
  if (s.tried) return s.ready;
  s.tried = true;
  if (!CreateWindowContext() && !CreateSurfacelessContext()) return false;
  const auto* renderer = reinterpret_cast<const char*>(glGetString(GL_RENDERER));
  s.renderer = renderer != nullptr ? renderer : "";
  glGetIntegerv(GL_MAX_TEXTURE_SIZE, &s.maxTextureSize);
  s.vertexShader = Compile(GL_VERTEX_SHADER, kVertexShader);
  if (s.vertexShader == 0) return false;
  glGenVertexArrays(1, &s.vao);
  glBindVertexArray(s.vao);
  glGenBuffers(1, &s.vbo);
  glGenBuffers(1, &s.ebo);
  glGenSamplers(8, s.samplers);
  for (GLuint sampler : s.samplers) {
    glSamplerParameteri(sampler, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    glSamplerParameteri(sampler, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
  }
  // Flat shading takes each triangle's first vertex, as the caller's device does.
  glProvokingVertex(GL_FIRST_VERTEX_CONVENTION);
  s.ready = true;
  return true;
}

DeviceInfo Describe(bool forceHardware) {
  const State& s = S();
  DeviceInfo d;
  const bool software = s.renderer.find("llvmpipe") != std::string::npos ||
                        s.renderer.find("softpipe") != std::string::npos ||
                        s.renderer.find("swrast") != std::string::npos;
  d.type = (software && !forceHardware) ? DeviceType::Software : DeviceType::Hal;
  d.name = s.renderer;
  d.minTextureWidth = d.minTextureHeight = 1;
  d.maxTextureWidth = d.maxTextureHeight = static_cast<uint32_t>(std::min<GLint>(s.maxTextureSize, 4096));
  return d;
}

namespace {

void ForgetSurfaces() {
  State& s = S();
  for (auto& [surface, e] : s.surfaces) {
    if (e.framebuffer != 0) glDeleteFramebuffers(1, &e.framebuffer);
    if (e.texture != 0) glDeleteTextures(1, &e.texture);
  }
  s.surfaces.clear();
}

}  // namespace

void CreateDevice(SurfaceHandle target) {
  MakeCurrent();
  ResetStates();
  // A lost device left its copies behind; the surfaces are the truth.
  ForgetSurfaces();
  State& s = S();
  s.target = target;
  s.targetDrawn = false;
  int width = 0, height = 0;
  GetSurfaceFormat(target, &width, &height, nullptr);
  s.viewport = Viewport{0, 0, static_cast<uint32_t>(width), static_cast<uint32_t>(height), 0, 1};
}

void ReleaseDevice() {
  MakeCurrent();
  State& s = S();
  ReadBackTarget();
  ForgetSurfaces();
  s.target = 0;
}

void EndScene() {
  MakeCurrent();
  ReadBackTarget();
}

void SetRenderTarget(SurfaceHandle target) {
  State& s = S();
  if (target == s.target) return;
  MakeCurrent();
  ReadBackTarget();
  s.target = target;
}

void SetViewport(const Viewport& v) { S().viewport = v; }
void SetRenderState(uint32_t state, uint32_t value) {
  if (state < 256) S().renderStates[state] = value;
}
void SetTextureStageState(int stage, uint32_t state, uint32_t value) {
  if (stage >= 0 && stage < 8 && state < 32) S().stageStates[stage][state] = value;
}
void SetTexture(int stage, SurfaceHandle texture) {
  if (stage >= 0 && stage < 8) S().stageTextures[stage] = texture;
}

void Draw(uint32_t type, uint32_t fvf, const void* vertices, int vertexCount, const uint16_t* indices, int indexCount) {
  State& s = S();
  if (s.target == 0) return;
  MakeCurrent();
  const GLuint program = Program();
  if (program == 0) return;
  BindTarget();
  ApplyPipeline(program);
  glBindVertexArray(s.vao);
  glBindBuffer(GL_ARRAY_BUFFER, s.vbo);
  glBufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(VertexStride(fvf)) * vertexCount, vertices, GL_STREAM_DRAW);
  SetUpAttributes(fvf);
  const GLenum mode = type == kTriangleStrip ? GL_TRIANGLE_STRIP : GL_TRIANGLES;
  if (indices != nullptr) {
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, s.ebo);
    glBufferData(GL_ELEMENT_ARRAY_BUFFER, static_cast<GLsizeiptr>(indexCount) * 2, indices, GL_STREAM_DRAW);
    glDrawElements(mode, indexCount, GL_UNSIGNED_SHORT, nullptr);
  } else {
    glDrawArrays(mode, 0, vertexCount);
  }
  s.targetDrawn = true;
}

bool PresentToWindow(SurfaceHandle surface, const SurfaceRect& from, const SurfaceRect& to, int clientWidth,
                     int clientHeight) {
  State& s = S();
  SDL_Window* window = GlWindow();
  if (s.windowContext == nullptr || window == nullptr || clientWidth <= 0 || clientHeight <= 0) return false;
  MakeCurrent();
  GlSurface& source = Synced(surface);
  if (source.texture == 0) return false;
  if (source.framebuffer == 0) {
    glGenFramebuffers(1, &source.framebuffer);
    glBindFramebuffer(GL_FRAMEBUFFER, source.framebuffer);
    glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, source.texture, 0);
  }
  // The window keeps what it showed outside `to`, as the window image does; a new size starts black.
  GlSurface& shown = s.window;
  glDisable(GL_SCISSOR_TEST);
  glDisable(GL_BLEND);
  glClearColor(0, 0, 0, 1);
  if (shown.texture == 0 || shown.width != clientWidth || shown.height != clientHeight) {
    if (shown.texture == 0) glGenTextures(1, &shown.texture);
    if (shown.framebuffer == 0) glGenFramebuffers(1, &shown.framebuffer);
    glBindTexture(GL_TEXTURE_2D, shown.texture);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, clientWidth, clientHeight, 0, GL_RGBA, GL_UNSIGNED_BYTE, nullptr);
    glBindFramebuffer(GL_FRAMEBUFFER, shown.framebuffer);
    glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, shown.texture, 0);
    glClear(GL_COLOR_BUFFER_BIT);
    shown.width = clientWidth;
    shown.height = clientHeight;
  }
  // Both keep the surfaces' rows top first; only the window's own framebuffer counts from the bottom.
  glBindFramebuffer(GL_READ_FRAMEBUFFER, source.framebuffer);
  glBindFramebuffer(GL_DRAW_FRAMEBUFFER, shown.framebuffer);
  glBlitFramebuffer(from.left, from.top, from.right, from.bottom, to.left, to.top, to.right, to.bottom,
                    GL_COLOR_BUFFER_BIT, GL_NEAREST);
  // The largest whole factor that fits the drawable, centred, as the window image is shown.
  int outW = 0, outH = 0;
  SDL_GL_GetDrawableSize(window, &outW, &outH);
  int factor = 1;
  while ((factor + 1) * clientWidth <= outW && (factor + 1) * clientHeight <= outH) ++factor;
  const int left = (outW - factor * clientWidth) / 2, top = (outH - factor * clientHeight) / 2;
  glBindFramebuffer(GL_READ_FRAMEBUFFER, shown.framebuffer);
  glBindFramebuffer(GL_DRAW_FRAMEBUFFER, 0);
  glViewport(0, 0, outW, outH);
  glClear(GL_COLOR_BUFFER_BIT);
  glBlitFramebuffer(0, 0, clientWidth, clientHeight, left, outH - top, left + factor * clientWidth,
                    outH - top - factor * clientHeight, GL_COLOR_BUFFER_BIT, GL_NEAREST);
  SDL_GL_SwapWindow(window);
  glBindFramebuffer(GL_FRAMEBUFFER, 0);
  return true;
}

}  // namespace platform::gpu::opengl
