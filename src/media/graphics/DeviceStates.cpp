// The render-state cache of the 3D device: every state is sent only when it
// changes, after the pending batch has been drawn; blend modes become blend
// factors and texture-stage set-ups.
#include <algorithm>
#include <cstring>

#include "media/graphics/Direct3D.h"

namespace gpu = platform::gpu;

namespace {

struct StageEntry {
  int alphaArg1, alphaArg2, alphaOp, colorArg1, colorArg2, colorOp;
};
constexpr StageEntry kDisabledStage{gpu::kTaTexture, gpu::kTaDiffuse, gpu::kTopDisable,
                                    gpu::kTaTexture, gpu::kTaDiffuse, gpu::kTopDisable};

// One row per blend mode: destination and source factor (-1 not sent), stage kind.
struct BlendFactorRow {
  int dest, source, stageKind;
};
constexpr BlendFactorRow kBlendFactorTable[12] = {
    {-1, -1, 0}, {6, 5, 0},   {2, 5, 0}, {1, 10, 0}, {3, 1, 0}, {2, 5, 0},
    {-1, -1, 0}, {-1, -1, 0}, {2, 1, 0}, {1, 10, 0}, {6, 5, 2}, {3, 1, 1},
};

// What one full recomputation sends.
struct StateBlock {
  int srcBlend, destBlend;
  uint32_t textureFactor;
  int alphaBlend, alphaTestEnable, alphaRef, alphaFunc;
  int stageCount;
  StageEntry stages[8];
  platform::SurfaceHandle textures[8];
  int vertexKind;
};

constexpr int kSelect = gpu::kTopSelectArg1, kModulate = gpu::kTopModulate;

StageEntry Colour(StageEntry e, int op, int arg1, int arg2) {
  e.colorOp = op;
  e.colorArg1 = arg1;
  e.colorArg2 = arg2;
  return e;
}
StageEntry Alpha(StageEntry e, int op, int arg1, int arg2) {
  e.alphaOp = op;
  e.alphaArg1 = arg1;
  e.alphaArg2 = arg2;
  return e;
}

// The graph texture's colour: plain or inverted, times the diffuse colour when asked.
StageEntry TextureColour(StageEntry e, int stageKind, int useDiffuseColor) {
  const int texture = gpu::kTaTexture | (stageKind == 2 ? static_cast<int>(gpu::kTaComplement) : 0);
  return useDiffuseColor != 0 ? Colour(e, kModulate, texture, gpu::kTaDiffuse) : Colour(e, kSelect, texture, -1);
}

// The stage set-up for a textured draw: the template of stage kind, alpha
// kind (0 none, 1 channel, 2 test), the diffuse uses and the blend graph.
int BuildTemplate(StageEntry* out, int stageKind, int alphaKind, int useDiffuseAlpha, int useDiffuseColor,
                  int blendGraph) {
  StageEntry e{};
  if (blendGraph == 0) {
    e = TextureColour(e, stageKind, useDiffuseColor);
    if (alphaKind == 0) e = Alpha(e, kSelect, gpu::kTaDiffuse, -1);
    else if (useDiffuseAlpha != 0) e = Alpha(e, kModulate, gpu::kTaTexture, gpu::kTaDiffuse);
    else e = Alpha(e, kSelect, gpu::kTaTexture, -1);
    out[0] = e;
    if (stageKind != 1) return 1;
    StageEntry f{};
    f = Colour(f, gpu::kTopBlendCurrentAlpha, gpu::kTaCurrent, gpu::kTaTFactor);
    out[1] = Alpha(f, kSelect, gpu::kTaCurrent, -1);
    return 2;
  }
  out[0] = Alpha(Colour(e, kSelect, gpu::kTaDiffuse, -1), gpu::kTopAdd, gpu::kTaTexture, gpu::kTaTFactor);
  const StageEntry diffuseAlpha =
      Alpha(Colour(StageEntry{}, kSelect, gpu::kTaCurrent, -1), kModulate, gpu::kTaDiffuse, gpu::kTaCurrent);
  int n = 1;
  if (alphaKind == 0) {
    out[n++] = Alpha(TextureColour(StageEntry{}, 0, useDiffuseColor), kModulate, gpu::kTaCurrent, gpu::kTaDiffuse);
    return n;
  }
  if (alphaKind == 1)
    out[n++] = Alpha(Colour(StageEntry{}, kSelect, gpu::kTaCurrent, -1), kModulate, gpu::kTaSpecular, gpu::kTaCurrent);
  out[n++] = Alpha(TextureColour(StageEntry{}, 0, useDiffuseColor), kModulate, gpu::kTaTexture, gpu::kTaCurrent);
  if (useDiffuseAlpha != 0) out[n++] = diffuseAlpha;
  return n;
}

DeviceStateCache* Cache(int device) {
  Direct3DState& d = gDirect3DState;
  if (d.object == 0 || device < 0 || device >= 4 || d.devices[device].inUse == 0) return nullptr;
  return &d.devices[device];
}

void Send(DeviceStateCache& c, gpu::RenderState state, int& cached, int value, bool flush = true) {
  if (cached == value && c.force == 0) return;
  if (flush) FlushDevicePrimitives(static_cast<int>(&c - gDirect3DState.devices));
  gpu::SetRenderState(c.device, state, static_cast<uint32_t>(value));
  cached = value;
}

void SendStage(DeviceStateCache& c, int stage, gpu::StageState state, int& cached, int value) {
  if (value == -1 || (cached == value && c.force == 0)) return;
  gpu::SetTextureStageState(c.device, stage, state, static_cast<uint32_t>(value));
  cached = value;
}

// Stage of the graph texture: 0, or behind the blend texture's stage.
int GraphTextureStage(const DeviceStateCache& c) {
  if (c.blendTexture == 0) return 0;
  return c.alphaChannel == 1 ? 2 : 1;
}

}  // namespace

void InitDeviceStateCache(DeviceStateCache& c) {
  c.useDiffuseColor = c.useDiffuseAlpha = c.blendMode = 0;
  c.borderParameter = -1;
  c.borderRange = 0;
  c.alphaChannel = c.alphaTest = 0;
  c.dirty = 1;
  c.textureChanged = c.suppressDraw = c.force = 0;
  c.alphaTestEnable = c.alphaRef = c.alphaFunc = c.alphaBlendEnable = 0;
  c.diffuseMaterialSource = c.specularMaterialSource = c.specularEnable = 0;
  c.textureFactor = 0;
  c.srcBlend = c.destBlend = 0;
  c.stagesInUse = 0;
  for (StageCache& s : c.stages)
    s = StageCache{
        0, gpu::kTaTexture, gpu::kTaDiffuse, gpu::kTopDisable, gpu::kTaTexture, gpu::kTaDiffuse, gpu::kTopDisable};
  c.sampling = 0;
  for (int i = 0; i < 8; ++i) c.magFilter[i] = c.minFilter[i] = c.mipFilter[i] = 1;
  c.zEnable = 1;
  c.zWrite = 0;
  c.zFunc = 4;
  c.zBias = 0;
  c.shadeMode = 1;
  c.cullFlag = 0;
  c.textureAddress = 3;
  c.fog = c.texturePerspective = c.lighting = c.colorKey = 0;
}

// --- Cached setters --------------------------------------------------------------------------

int SetDeviceSampling(int device, int value) {
  DeviceStateCache* c = Cache(device);
  if (c == nullptr || (value != 0 && value != 1)) return -1;
  if (c->sampling == value && c->force == 0) return 0;
  FlushDevicePrimitives(device);
  const int index = value + 1;
  for (int stage = 0; stage < std::max(c->stagesInUse, 1); ++stage) {
    if (c->magFilter[stage] != index || c->force != 0) {
      gpu::SetTextureStageState(c->device, stage, gpu::kTssMagFilter, static_cast<uint32_t>(index));
      c->magFilter[stage] = index;
    }
    if (c->minFilter[stage] != index || c->force != 0) {
      gpu::SetTextureStageState(c->device, stage, gpu::kTssMinFilter, static_cast<uint32_t>(index));
      c->minFilter[stage] = index;
    }
  }
  c->sampling = value;
  return 0;
}

int SetDeviceColorKeyEnable(int device, int value) {
  DeviceStateCache* c = Cache(device);
  if (c == nullptr) return -1;
  Send(*c, gpu::kRsColorKeyEnable, c->colorKey, value);
  return 0;
}

int SetDeviceFogEnable(int device, int value) {
  DeviceStateCache* c = Cache(device);
  if (c == nullptr) return -1;
  if (c->fog == value && c->force == 0) return 0;
  FlushDevicePrimitives(device);
  if (gpu::SetRenderState(c->device, gpu::kRsFogEnable, static_cast<uint32_t>(value)) != platform::kDdOk) return -1;
  c->fog = value;
  return 0;
}

int SetDeviceTexture(int device, platform::SurfaceHandle texture) {
  DeviceStateCache* c = Cache(device);
  if (c == nullptr) return -1;
  if (c->texture == texture && c->force == 0) return 0;
  FlushDevicePrimitives(device);
  if ((c->texture == 0) != (texture == 0)) c->dirty = 1;
  c->texture = texture;
  c->textureChanged = 1;
  return 0;
}

int SetDeviceBlendTexture(int device, platform::SurfaceHandle texture, int parameter, int range) {
  DeviceStateCache* c = Cache(device);
  if (c == nullptr) return -1;
  const int p = parameter == -1 ? c->borderParameter : parameter;
  const int r = range == -1 ? c->borderRange : range;
  if (c->blendTexture == 0 && texture == 0) return 0;
  if (c->blendTexture == texture && c->borderParameter == p && c->borderRange == r) return 0;
  FlushDevicePrimitives(device);
  c->blendTexture = texture;
  c->borderParameter = p;
  c->borderRange = r;
  c->dirty = 1;
  return 0;
}

int SetDeviceBlendInputs(int device, int mode, int alphaTest, int alphaChannel) {
  DeviceStateCache* c = Cache(device);
  if (c == nullptr) return -1;
  if (c->blendMode == mode && c->alphaTest == alphaTest && c->alphaChannel == alphaChannel) return 0;
  FlushDevicePrimitives(device);
  c->blendMode = mode;
  c->alphaTest = alphaTest;
  c->alphaChannel = alphaChannel;
  c->dirty = 1;
  return 0;
}

// --- Blend states ----------------------------------------------------------------------------------

int ApplyDeviceBlendStates(int device) {
  DeviceStateCache* cp = Cache(device);
  if (cp == nullptr) return -1;
  DeviceStateCache& c = *cp;
  if (c.dirty == 0 && c.textureChanged == 0 && c.force == 0) return -1;
  if (c.dirty == 0 && c.force == 0) {
    const int stage = GraphTextureStage(c);
    FlushDevicePrimitives(device);
    gpu::SetTexture(c.device, stage, c.texture);
    c.stages[stage].texture = c.texture;
    c.textureChanged = 0;
    return 0;
  }
  c.dirty = 0;
  c.textureChanged = 0;
  // Modes outside the table draw nothing: their value stays stored.
  const bool known = c.blendMode >= 0 && c.blendMode < 12;
  const BlendFactorRow row = known ? kBlendFactorTable[c.blendMode] : BlendFactorRow{-1, -1, 0};
  StateBlock b{};
  b.srcBlend = row.source;
  b.destBlend = row.dest;
  b.textureFactor = 0xFFFFFFFFu;
  const bool modeBlends = c.blendMode != 0 && c.blendMode != 6;
  b.alphaBlend = modeBlends ? 1 : 0;
  b.alphaTestEnable = 0;
  b.alphaRef = c.alphaRef;
  b.alphaFunc = c.alphaFunc;
  const int alphaKind = (c.alphaChannel == 0 && c.alphaTest == 0) ? 0 : (c.alphaChannel != 0 ? 1 : 2);
  if (c.texture == 0) {
    c.suppressDraw = known ? 0 : 1;
    StageEntry e{};
    e = Alpha(e, kSelect, gpu::kTaDiffuse, -1);
    if (row.stageKind == 1) e = Colour(e, gpu::kTopBlendDiffuseAlpha, gpu::kTaDiffuse, gpu::kTaTFactor);
    else if (row.stageKind == 2) e = Colour(e, kSelect, gpu::kTaDiffuse | gpu::kTaComplement, -1);
    else e = Colour(e, kSelect, gpu::kTaDiffuse, -1);
    b.stages[0] = e;
    b.stageCount = 1;
    b.textureFactor = c.textureFactor;
    b.vertexKind = 0;
  } else if (c.blendTexture == 0) {
    b.stageCount = BuildTemplate(b.stages, row.stageKind, alphaKind, c.useDiffuseAlpha, c.useDiffuseColor, 0);
    c.suppressDraw = known ? 0 : 1;
    b.vertexKind = 1;
    b.textures[0] = c.texture;
    if (c.alphaTest != 0) {
      b.alphaTestEnable = 1;
      b.alphaRef = 16;
      b.alphaFunc = gpu::kCmpGreater;
    } else {
      if (c.zEnable != 0) {
        b.alphaTestEnable = 1;
        b.alphaRef = 0;
        b.alphaFunc = gpu::kCmpGreater;
      }
      if (c.alphaChannel != 0 && !modeBlends) {
        b.srcBlend = gpu::kBlendSrcAlpha;
        b.destBlend = gpu::kBlendInvSrcAlpha;
      }
    }
    b.alphaBlend = (c.alphaChannel != 0 || modeBlends) ? 1 : 0;
  } else {
    b.stageCount = BuildTemplate(b.stages, 0, alphaKind, c.useDiffuseAlpha, c.useDiffuseColor, 1);
    b.vertexKind = 2;
    b.textures[0] = c.blendTexture;
    b.textures[c.alphaChannel == 1 ? 2 : 1] = c.texture;
    if (!modeBlends) {
      b.srcBlend = gpu::kBlendSrcAlpha;
      b.destBlend = gpu::kBlendInvSrcAlpha;
    }
    const int p = std::clamp(c.borderParameter, 0, 255), r = c.borderRange;
    c.suppressDraw = (!known || c.borderParameter == 255) ? 1 : 0;
    if (r <= 1) {
      b.alphaTestEnable = 1;
      b.alphaRef = (p == 0 && (c.alphaChannel != 0 || c.alphaTest != 0)) ? 1 : p;
      b.alphaFunc = gpu::kCmpGreaterEqual;
      b.alphaBlend = 0;
      b.textureFactor = 0x00FFFFFF;
    } else {
      int scale, threshold, op;
      if (r <= 64) {
        scale = 1280, threshold = 1024, op = gpu::kTopModulate4x;
      } else if (r <= 128) {
        scale = 768, threshold = 512, op = gpu::kTopModulate2x;
      } else {
        scale = 512, threshold = 256, op = gpu::kTopModulate;
      }
      b.alphaBlend = 1;
      b.stages[1].alphaOp = op;
      const int v = scale - p * scale / 255;
      int alpha;
      if (v < threshold) {
        alpha = 255 - v * 255 / threshold;
        b.stages[0].alphaOp = gpu::kTopSubtract;
      } else {
        alpha = (v - threshold) * (r <= 64 ? 64 : r <= 128 ? 128 : 255) / 256;
      }
      b.textureFactor = static_cast<uint32_t>(std::clamp(alpha, 0, 255)) << 24 | 0xFFFFFFu;
    }
  }
  if (b.vertexKind != c.vertexKind) {
    FlushDevicePrimitives(device);
    c.vertexKind = b.vertexKind;
    c.pendingKind = b.vertexKind;
    c.writePointer = c.buffers[b.vertexKind];
  }
  if (b.stageCount != c.stagesInUse) {
    c.stagesInUse = b.stageCount;
    const int force = c.force;
    c.force = 1;
    SetDeviceSampling(device, c.sampling);
    c.force = force;
  }
  b.stages[b.stageCount] = kDisabledStage;
  Send(c, gpu::kRsDiffuseMaterialSource, c.diffuseMaterialSource, 1);
  Send(c, gpu::kRsSpecularMaterialSource, c.specularMaterialSource, 2);
  Send(c, gpu::kRsSpecularEnable, c.specularEnable, 0);
  Send(c, gpu::kRsAlphaFunc, c.alphaFunc, b.alphaFunc);
  Send(c, gpu::kRsAlphaRef, c.alphaRef, b.alphaRef);
  Send(c, gpu::kRsAlphaTestEnable, c.alphaTestEnable, b.alphaTestEnable);
  Send(c, gpu::kRsAlphaBlendEnable, c.alphaBlendEnable, b.alphaBlend);
  if (c.textureFactor != b.textureFactor || c.force != 0) {
    FlushDevicePrimitives(device);
    gpu::SetRenderState(c.device, gpu::kRsTextureFactor, b.textureFactor);
    c.textureFactor = b.textureFactor;
  }
  if (b.srcBlend != -1) Send(c, gpu::kRsSrcBlend, c.srcBlend, b.srcBlend);
  else if (c.force != 0) gpu::SetRenderState(c.device, gpu::kRsSrcBlend, static_cast<uint32_t>(c.srcBlend));
  if (b.destBlend != -1) Send(c, gpu::kRsDestBlend, c.destBlend, b.destBlend);
  else if (c.force != 0) gpu::SetRenderState(c.device, gpu::kRsDestBlend, static_cast<uint32_t>(c.destBlend));
  const int last = std::min(b.stageCount, 7);
  for (int i = 0; i <= last; ++i) {
    if (i >= 2 && c.stages[i - 1].alphaOp == gpu::kTopDisable) break;
    StageCache& s = c.stages[i];
    const StageEntry& e = b.stages[i];
    if (s.texture != b.textures[i] || c.force != 0) {
      gpu::SetTexture(c.device, i, b.textures[i]);
      s.texture = b.textures[i];
    }
    SendStage(c, i, gpu::kTssAlphaOp, s.alphaOp, e.alphaOp);
    SendStage(c, i, gpu::kTssAlphaArg1, s.alphaArg1, e.alphaArg1);
    SendStage(c, i, gpu::kTssAlphaArg2, s.alphaArg2, e.alphaArg2);
    SendStage(c, i, gpu::kTssColorOp, s.colorOp, e.colorOp);
    SendStage(c, i, gpu::kTssColorArg1, s.colorArg1, e.colorArg1);
    SendStage(c, i, gpu::kTssColorArg2, s.colorArg2, e.colorArg2);
  }
  return 0;
}

// --- Preparation of a draw -------------------------------------------------------------------------

int PrepareDeviceForDraw(const TextureSetRecord* piece, int flags) {
  Direct3DState& d = gDirect3DState;
  const int device = d.currentDevice;
  DeviceStateCache* cp = Cache(device);
  if (cp == nullptr) return -1;
  DeviceStateCache& c = *cp;
  const DrawState& ds = gDrawState;
  const int lighting = (flags & 512) != 0 ? 1 : 0;
  Send(c, gpu::kRsLighting, c.lighting, lighting);
  const SurfaceDataRecord* store = piece != nullptr ? GetSurfaceDataRecord(piece->store) : nullptr;
  const platform::SurfaceHandle texture = store != nullptr ? store->surface : 0;
  int colorKey = 0, alphaChannel = 0, alphaTest = 0;
  if ((flags & 1) != 0 && store != nullptr) {
    if (store->request.alphaChannel == 0 && store->request.alphaTest == 0) {
      colorKey = 1;
    } else if ((ds.blendMode != 0 && ds.blendMode != 8) || (ds.samplingMode != 0 && (flags & 2) == 0)) {
      alphaChannel = 1;
    } else {
      alphaChannel = store->request.alphaChannel;
      alphaTest = store->request.alphaTest;
    }
  }
  const int useDiffuseColor = ((flags & 32) != 0 || (ds.tint & 0xFFFFFF) != 0xFFFFFF) ? 1 : 0;
  const int useDiffuseAlpha = ((flags & 64) != 0 || ds.blendMode != 0) ? 1 : 0;
  const int perspective = (flags & 16) != 0 ? 1 : 0;
  if (c.texturePerspective != perspective) {
    gpu::SetRenderState(c.device, gpu::kRsTexturePerspective, static_cast<uint32_t>(perspective));
    c.texturePerspective = perspective;
  }
  if (c.useDiffuseColor != useDiffuseColor || c.useDiffuseAlpha != useDiffuseAlpha) {
    FlushDevicePrimitives(device);
    c.useDiffuseColor = useDiffuseColor;
    c.useDiffuseAlpha = useDiffuseAlpha;
    c.dirty = 1;
  }
  SetDeviceTexture(device, texture);
  SetDeviceBlendInputs(device, ds.blendMode, alphaTest, alphaChannel);
  if (c.dirty != 0 || c.textureChanged != 0) ApplyDeviceBlendStates(device);
  SetDeviceColorKeyEnable(device, colorKey);
  Send(c, gpu::kRsShadeMode, c.shadeMode, (flags & 8) != 0 ? 2 : 1);
  SetDeviceSampling(device, ds.samplingMode != 0 ? 1 : 0);
  if (c.cullFlag != (ds.culling != 0 ? 1 : 0) || c.force != 0) {
    FlushDevicePrimitives(device);
    c.cullFlag = ds.culling != 0 ? 1 : 0;
    gpu::SetRenderState(c.device, gpu::kRsCullMode, c.cullFlag != 0 ? 3 : 1);
  }
  if (c.textureAddress != ds.textureAddressMode && ds.textureAddressMode != 0) {
    FlushDevicePrimitives(device);
    for (int stage = 3; stage >= 0; --stage)
      gpu::SetTextureStageState(c.device, stage, gpu::kTssAddress, static_cast<uint32_t>(ds.textureAddressMode));
    c.textureAddress = ds.textureAddressMode;
  }
  if ((flags & 4) != 0) {
    Send(c, gpu::kRsZEnable, c.zEnable, ds.depthBufferUse == 1 ? 1 : 0);
    Send(c, gpu::kRsZWriteEnable, c.zWrite, ds.depthWrite);
    Send(c, gpu::kRsZFunc, c.zFunc, ds.depthCompare);
    Send(c, gpu::kRsZBias, c.zBias, ds.depthBias);
  } else if (c.zEnable != 0 || c.force != 0) {
    FlushDevicePrimitives(device);
    gpu::SetRenderState(c.device, gpu::kRsZEnable, 0);
    c.zEnable = 0;
  }
  // Fog follows the draw state's switch (both ways) only for draws that ask for it.
  const int fog = (flags & 128) != 0 && ds.fogEnable != 0 ? 1 : 0;
  if (c.fog != fog) SetDeviceFogEnable(device, fog);
  return 0;
}

// --- Forced refreshes ---------------------------------------------------------------------------------

int ReapplyFixedDeviceStates(int device) {
  DeviceStateCache* c = Cache(device);
  if (c == nullptr) return -1;
  FlushDevicePrimitives(device);
  for (int stage = 0; stage < 4; ++stage)
    gpu::SetTextureStageState(c->device, stage, gpu::kTssAddress, static_cast<uint32_t>(c->textureAddress));
  constexpr uint32_t kCoordSets[4] = {0, 1, 1, 0};
  for (int stage = 0; stage < 4; ++stage)
    gpu::SetTextureStageState(c->device, stage, gpu::kTssTexCoordIndex, kCoordSets[stage]);
  gpu::SetRenderState(c->device, gpu::kRsTexturePerspective, static_cast<uint32_t>(c->texturePerspective));
  gpu::SetRenderState(c->device, gpu::kRsShadeMode, static_cast<uint32_t>(c->shadeMode));
  gpu::SetRenderState(c->device, gpu::kRsColorKeyEnable, static_cast<uint32_t>(c->colorKey));
  gpu::SetRenderState(c->device, gpu::kRsLighting, static_cast<uint32_t>(c->lighting));
  gpu::SetRenderState(c->device, gpu::kRsCullMode, 1);
  gpu::SetRenderState(c->device, gpu::kRsDitherEnable, 0);
  return 0;
}

int ReapplyAllDeviceStates(int device) {
  DeviceStateCache* c = Cache(device);
  if (c == nullptr) return -1;
  c->force = 1;
  if (c->currentTarget != 0) SetDeviceViewport(c->viewport, device);
  const int key = c->colorKey;
  SetDeviceColorKeyEnable(device, key);
  SetDeviceColorKeyEnable(device, 0);
  ReapplyFixedDeviceStates(device);
  SetDeviceSampling(device, c->sampling);
  ApplyDeviceBlendStates(device);
  gpu::SetRenderState(c->device, gpu::kRsZEnable, c->zEnable == 1 ? 1u : 0u);
  gpu::SetRenderState(c->device, gpu::kRsZWriteEnable, static_cast<uint32_t>(c->zWrite));
  gpu::SetRenderState(c->device, gpu::kRsZFunc, static_cast<uint32_t>(c->zFunc));
  gpu::SetRenderState(c->device, gpu::kRsZBias, static_cast<uint32_t>(c->zBias));
  gpu::SetRenderState(c->device, gpu::kRsCullMode, c->cullFlag != 0 ? 3u : 1u);
  gpu::SetRenderState(c->device, gpu::kRsTexturePerspective, static_cast<uint32_t>(c->texturePerspective));
  gpu::SetRenderState(c->device, gpu::kRsShadeMode, static_cast<uint32_t>(c->shadeMode));
  // A new device starts with fog off; the cache must not claim otherwise.
  gpu::SetRenderState(c->device, gpu::kRsFogEnable, static_cast<uint32_t>(c->fog));
  c->force = 0;
  return 0;
}

// --- Draw-state hooks ----------------------------------------------------------------------------------

void UpdatePackedDiffuseColor() {
  const DrawState& ds = gDrawState;
  const uint32_t alpha = ds.blendMode != 0 ? static_cast<uint32_t>(std::clamp(ds.blendParameter, 0, 255)) : 255u;
  gDirect3DState.packedDiffuse = alpha << 24 | (ds.tint & 0xFFFFFF);
}

int SetSampling3D(int mode) {
  if (gDirect3DState.object == 0) return -1;
  return SetDeviceSampling(gDirect3DState.currentDevice, mode != 0 ? 1 : 0);
}

int SetBlendGraph3D(GraphRecord* graph, int parameter, int range) {
  Direct3DState& d = gDirect3DState;
  const int device = d.currentDevice;
  DeviceStateCache* c = Cache(device);
  if (c == nullptr) return -1;
  if (graph != nullptr) {
    const TextureSetRecord* piece = graph->storageCount > 0 ? GetTextureSetRecord(graph->storage[0]) : nullptr;
    const SurfaceDataRecord* store = piece != nullptr ? GetSurfaceDataRecord(piece->store) : nullptr;
    if (store == nullptr) return -1;
    SetDeviceBlendTexture(device, store->surface, parameter, range);
    d.blendTextureWidth = static_cast<float>(store->width);
    d.blendTextureHeight = static_cast<float>(store->height);
    d.blendScaleX = 1.0f / d.blendTextureWidth;
    d.blendScaleY = 1.0f / d.blendTextureHeight;
    return 0;
  }
  if (c->blendTexture != 0 || c->force != 0) {
    FlushDevicePrimitives(device);
    c->blendTexture = 0;
    if (parameter != -1) c->borderParameter = parameter;
    if (range != -1) c->borderRange = range;
    c->dirty = 1;
  }
  return 0;
}
