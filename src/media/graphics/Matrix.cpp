// Matrices, lights and mask data records.
#include <cmath>
#include <cstring>

#include "foundation/TrackedHeap.h"
#include "media/graphics/GraphicsSystem.h"
#include "media/graphics/GraphicsText.h"
#include "media/system/LibrarySystem.h"

namespace {

float& At(Matrix4* m, int r, int c) { return m->m[r * 4 + c]; }
float At(const Matrix4* m, int r, int c) { return m->m[r * 4 + c]; }

struct LightRecord {
  int checkNumber;
  int handle;
  int kind;
  float diffuse[4], specular[4], ambient[4];
  float position[3], direction[3];
  float range, falloff, attenuation[3], theta, phi;
  int deviceIndex;
  int enabled;
  int changed;
};

constexpr int kLightSlots = 4096;
struct LightTable {
  LightRecord* lights[kLightSlots];
  int count;
  int nextIndex;
  int checkCounter;
  int setChanged;
};
LightTable gLights{};

struct MaskData {
  int checkNumber;
  void* data;
  int inUse;
};
MaskData gMaskData[512]{};

}  // namespace

int Matrix4Identity(Matrix4* out) {
  std::memset(out, 0, sizeof(*out));
  for (int i = 0; i < 4; ++i) At(out, i, i) = 1.0f;
  return 0;
}

int Matrix4Multiply(Matrix4* out, const Matrix4* a, const Matrix4* b) {
  Matrix4 r;
  for (int i = 0; i < 4; ++i)
    for (int j = 0; j < 4; ++j) {
      float sum = 0.0f;
      for (int k = 0; k < 4; ++k) sum += At(a, i, k) * At(b, k, j);
      At(&r, i, j) = sum;
    }
  *out = r;
  return 0;
}

int Matrix4Inverse(Matrix4* out, const Matrix4* m) {
  const float* a = m->m;
  float inv[16];
  inv[0] = a[5] * a[10] * a[15] - a[5] * a[11] * a[14] - a[9] * a[6] * a[15] + a[9] * a[7] * a[14] +
           a[13] * a[6] * a[11] - a[13] * a[7] * a[10];
  inv[4] = -a[4] * a[10] * a[15] + a[4] * a[11] * a[14] + a[8] * a[6] * a[15] - a[8] * a[7] * a[14] -
           a[12] * a[6] * a[11] + a[12] * a[7] * a[10];
  inv[8] = a[4] * a[9] * a[15] - a[4] * a[11] * a[13] - a[8] * a[5] * a[15] + a[8] * a[7] * a[13] +
           a[12] * a[5] * a[11] - a[12] * a[7] * a[9];
  inv[12] = -a[4] * a[9] * a[14] + a[4] * a[10] * a[13] + a[8] * a[5] * a[14] - a[8] * a[6] * a[13] -
            a[12] * a[5] * a[10] + a[12] * a[6] * a[9];
  inv[1] = -a[1] * a[10] * a[15] + a[1] * a[11] * a[14] + a[9] * a[2] * a[15] - a[9] * a[3] * a[14] -
           a[13] * a[2] * a[11] + a[13] * a[3] * a[10];
  inv[5] = a[0] * a[10] * a[15] - a[0] * a[11] * a[14] - a[8] * a[2] * a[15] + a[8] * a[3] * a[14] +
           a[12] * a[2] * a[11] - a[12] * a[3] * a[10];
  inv[9] = -a[0] * a[9] * a[15] + a[0] * a[11] * a[13] + a[8] * a[1] * a[15] - a[8] * a[3] * a[13] -
           a[12] * a[1] * a[11] + a[12] * a[3] * a[9];
  inv[13] = a[0] * a[9] * a[14] - a[0] * a[10] * a[13] - a[8] * a[1] * a[14] + a[8] * a[2] * a[13] +
            a[12] * a[1] * a[10] - a[12] * a[2] * a[9];
  inv[2] = a[1] * a[6] * a[15] - a[1] * a[7] * a[14] - a[5] * a[2] * a[15] + a[5] * a[3] * a[14] + a[13] * a[2] * a[7] -
           a[13] * a[3] * a[6];
  inv[6] = -a[0] * a[6] * a[15] + a[0] * a[7] * a[14] + a[4] * a[2] * a[15] - a[4] * a[3] * a[14] -
           a[12] * a[2] * a[7] + a[12] * a[3] * a[6];
  inv[10] = a[0] * a[5] * a[15] - a[0] * a[7] * a[13] - a[4] * a[1] * a[15] + a[4] * a[3] * a[13] +
            a[12] * a[1] * a[7] - a[12] * a[3] * a[5];
  inv[14] = -a[0] * a[5] * a[14] + a[0] * a[6] * a[13] + a[4] * a[1] * a[14] - a[4] * a[2] * a[13] -
            a[12] * a[1] * a[6] + a[12] * a[2] * a[5];
  inv[3] = -a[1] * a[6] * a[11] + a[1] * a[7] * a[10] + a[5] * a[2] * a[11] - a[5] * a[3] * a[10] - a[9] * a[2] * a[7] +
           a[9] * a[3] * a[6];
  inv[7] = a[0] * a[6] * a[11] - a[0] * a[7] * a[10] - a[4] * a[2] * a[11] + a[4] * a[3] * a[10] + a[8] * a[2] * a[7] -
           a[8] * a[3] * a[6];
  inv[11] = -a[0] * a[5] * a[11] + a[0] * a[7] * a[9] + a[4] * a[1] * a[11] - a[4] * a[3] * a[9] - a[8] * a[1] * a[7] +
            a[8] * a[3] * a[5];
  inv[15] = a[0] * a[5] * a[10] - a[0] * a[6] * a[9] - a[4] * a[1] * a[10] + a[4] * a[2] * a[9] + a[8] * a[1] * a[6] -
            a[8] * a[2] * a[5];
  const float det = a[0] * inv[0] + a[1] * inv[4] + a[2] * inv[8] + a[3] * inv[12];
  const float scale = 1.0f / det;
  for (int i = 0; i < 16; ++i) out->m[i] = inv[i] * scale;
  return 0;
}

int Matrix4Perspective(Matrix4* out, float fov, float nearZ, float farZ, float aspect) {
  if (aspect < 0.0f) {
    int w = 0, h = 0;
    QueryScreenSize(&w, &h);
    aspect = static_cast<float>(h) / static_cast<float>(w);
  }
  const float s = std::sin(fov / 2.0f), c = std::cos(fov / 2.0f);
  if (std::fabs(farZ - nearZ) < 0.01f || std::fabs(s) < 0.01f) return -1;
  std::memset(out, 0, sizeof(*out));
  At(out, 0, 0) = aspect * c / s;
  At(out, 1, 1) = c / s;
  At(out, 2, 2) = farZ / (farZ - nearZ);
  At(out, 2, 3) = 1.0f;
  At(out, 3, 2) = -nearZ * farZ / (farZ - nearZ);
  return 0;
}

int Matrix4Viewport(Matrix4* out, float cx, float cy, float width, float height) {
  std::memset(out, 0, sizeof(*out));
  At(out, 0, 0) = width * 0.5f;
  At(out, 1, 1) = height * -0.5f;
  At(out, 2, 2) = 1.0f;
  At(out, 3, 0) = cx;
  At(out, 3, 1) = cy;
  At(out, 3, 3) = 1.0f;
  return 0;
}

namespace {
Vector3 Cross(const Vector3& a, const Vector3& b) {
  return Vector3{a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}
Vector3 Normalise(const Vector3& v) {
  const float length = std::sqrt(v.x * v.x + v.y * v.y + v.z * v.z);
  if (length == 0.0f) return v;
  return Vector3{v.x / length, v.y / length, v.z / length};
}
}  // namespace

float Vector3Dot(const Vector3* a, const Vector3* b) { return a->x * b->x + a->y * b->y + a->z * b->z; }

int Matrix4LookAt(Matrix4* out, const Vector3* eye, const Vector3* target, const Vector3* up) {
  const Vector3 d{target->x - eye->x, target->y - eye->y, target->z - eye->z};
  const Vector3 rightRaw = Cross(*up, d);
  const Vector3 right = Normalise(rightRaw);
  const Vector3 newUp = Normalise(Cross(d, rightRaw));
  const Vector3 forward = Normalise(d);
  std::memset(out, 0, sizeof(*out));
  const Vector3* axes[3] = {&right, &newUp, &forward};
  for (int c = 0; c < 3; ++c) {
    At(out, 0, c) = axes[c]->x;
    At(out, 1, c) = axes[c]->y;
    At(out, 2, c) = axes[c]->z;
    At(out, 3, c) = -Vector3Dot(axes[c], eye);
  }
  At(out, 3, 3) = 1.0f;
  return 0;
}

int SetWorldMatrix(const Matrix4* m) {
  gDrawState.world = *m;
  return 0;
}
int SetViewMatrix(const Matrix4* m) {
  gDrawState.view = *m;
  return 0;
}
int SetProjectionMatrix(const Matrix4* m) {
  gDrawState.projection = *m;
  return 0;
}
int SetViewportMatrix(const Matrix4* m) {
  gDrawState.viewport = *m;
  return 0;
}

int MakeDirectionalLight(float x, float y, float z) {
  LightTable& t = gLights;
  int slot = t.nextIndex;
  if (slot >= kLightSlots) {
    slot = 0;
    while (slot < kLightSlots && t.lights[slot] != nullptr) ++slot;
    if (slot == kLightSlots) return -1;
  }
  auto* l = static_cast<LightRecord*>(TrackedAllocZeroed(sizeof(LightRecord), __FILE__, __LINE__));
  if (l == nullptr) FatalLibraryError(kTxtLightMemory);
  for (int i = 0; i < 4; ++i) {
    l->diffuse[i] = l->specular[i] = 1.0f;
    l->ambient[i] = 0.33f;
  }
  l->range = 2000.0f;
  l->falloff = 1.0f;
  l->attenuation[0] = 0.1f;
  l->theta = l->phi = 2.0f;
  l->deviceIndex = -1;
  l->checkNumber = t.checkCounter;
  t.checkCounter = t.checkCounter >= 2047 ? 0 : t.checkCounter + 1;
  l->handle = slot | ((l->checkNumber | 0x6000) << 16);
  t.lights[slot] = l;
  ++t.count;
  if (slot == t.nextIndex) ++t.nextIndex;
  l->enabled = 1;
  l->changed = 1;
  t.setChanged = 1;
  l->kind = 3;
  const float length = std::sqrt(x * x + y * y + z * z);
  l->direction[0] = x / length;
  l->direction[1] = y / length;
  l->direction[2] = z / length;
  return l->handle;
}

int ReleaseLight(int light) {
  LightTable& t = gLights;
  if (light < 0 || ((light >> 27) & 0xF) != 12) return -1;
  const int slot = light & 0xFFFF;
  if (slot >= kLightSlots || t.lights[slot] == nullptr || t.lights[slot]->checkNumber != ((light >> 16) & 0x7FF))
    return -1;
  if (t.lights[slot]->deviceIndex >= 0) t.setChanged = 1;
  --t.count;
  TrackedFree(t.lights[slot]);
  t.lights[slot] = nullptr;
  if (slot == t.nextIndex - 1)
    while (t.nextIndex > 0 && t.lights[t.nextIndex - 1] == nullptr) --t.nextIndex;
  t.setChanged = 1;
  return 0;
}

int ReleaseAllLights() {
  LightTable& t = gLights;
  for (int slot = 0; slot < t.nextIndex; ++slot)
    if (t.lights[slot] != nullptr) ReleaseLight(t.lights[slot]->handle);
  return 0;
}

int GetLiveLightCount() { return gLights.count; }

int ReleaseMaskData(int handle) {
  if (handle < 0 || ((handle >> 27) & 0xF) != 8) return -1;
  const int slot = handle & 0xFFFF;
  if (slot >= 512 || gMaskData[slot].inUse == 0 || gMaskData[slot].checkNumber != ((handle >> 16) & 0x7FF)) return -1;
  TrackedFree(gMaskData[slot].data);
  gMaskData[slot] = MaskData{};
  return 0;
}

int ReleaseAllMaskData() {
  for (int slot = 0; slot < 512; ++slot)
    if (gMaskData[slot].inUse == 1) ReleaseMaskData(slot | ((gMaskData[slot].checkNumber | (8 << 11)) << 16));
  return 0;
}

// --- Mask layer: nothing creates it, so every hook finds nothing to do. ----------

int GetMaskLayerActive() { return gDrawState.maskUseSetting; }

int SetMaskLayerActive(int flag) {
  if (gDrawState.maskBytes == nullptr) return -1;
  gDrawState.maskUseSetting = flag;
  gDrawState.maskActive = (flag != 0 && gDrawState.maskCreated != 0) ? 1 : 0;
  return 0;
}

int MaskLayerBeforeDraw(int, int, int, int) { return 0; }
int MaskLayerAfterDraw(int, int, int, int) { return 0; }

int FreeMaskLayer() {
  if (gDrawState.maskBytes != nullptr) TrackedFree(gDrawState.maskBytes);
  gDrawState.maskBytes = nullptr;
  return 0;
}

int RebuildMaskLayer() {
  if (gDrawState.maskCreated != 0 && gDrawState.maskUseSetting != 0) SetMaskLayerActive(1);
  return 0;
}

int EndMaskLayer() {
  if (gDrawState.maskUseSetting != 0) SetMaskLayerActive(0);
  FreeMaskLayer();
  gDrawState.maskCreated = 0;
  gDrawState.maskActive = 0;
  return 0;
}
