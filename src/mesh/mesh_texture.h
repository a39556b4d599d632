#pragma once

#include <cstdint>

#include "export.h"

class Mesh;

// Texture coordinates and motion-blur velocities of a mesh's vertices, and the image that
// previews the mapping in the viewport.

// The per-vertex pass at the end of a build (the builder must still exist): with "Calculate
// UVW Mapping" each vertex gets its fluid weights and the kernel-weighted blend of the nearby
// particles' texture coordinates (or their speed, pressure or temperature, 0..1 over the
// display range); with "Calculate Motion Blur" the same blend of their velocities.
UNDALINE_API void ComputeVertexTexture(Mesh* mesh);

// The range a value channel (1 speed, 2 pressure, 3 temperature) is normalised over: the
// display range of that quantity of the last linked fluid. A value v becomes (v - min) x scale;
// a range without width gives 0.
UNDALINE_API void ChannelRange(const Mesh* mesh, int channel, float* min, float* scale);

// "Re-mapping at current frame": every linked fluid's particles take new coordinates from
// their link's texture frame.
UNDALINE_API void RemapMeshTexture(Mesh* mesh);

// The viewport makes and deletes texture objects; without it (batch runs) the image's name is
// kept, so that the workspace still names it, but nothing is loaded.
struct PreviewTextureHooks {
    // An 8-bit RGB texture with mipmaps from the image; 0 when none could be made.
    uint32_t (*load)(const char* file) = nullptr;
    void (*release)(uint32_t name) = nullptr;
};
UNDALINE_API void SetPreviewTextureHooks(const PreviewTextureHooks& hooks);

// "Preview texture": a ".tga", ".jpg" or ".bmp" image (any case) replaces the mesh's preview;
// "OpenGL Error: loading texture" when the viewport could not make a texture of it. Any other
// file is not an image and changes nothing.
UNDALINE_API bool LoadPreviewTexture(Mesh* mesh, const char* file);
// After a workspace load: the preview named in the mesh is loaded again ("Loading texture").
UNDALINE_API void ReloadPreviewTexture(Mesh* mesh);
// "Unload texture".
UNDALINE_API void UnloadPreviewTexture(Mesh* mesh);
// Whether the mesh has a preview image (loaded, or named while no viewport exists).
UNDALINE_API bool HasPreviewTexture(const Mesh* mesh);
