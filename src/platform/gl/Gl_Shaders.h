// The shader pair every draw runs through, built once for each combination
// of the switches it depends on: FLAT is "flat" for flat shading and nothing
// for smooth; TEXTURE_MODE, ALPHA_TEST and FOG are fixed numbers, so that a
// software rasterizer runs no branch per pixel for a switch that is off.
#pragma once

namespace glshaders {

// The view depth is worked out (and interpolated across each triangle) only
// for fog, the one thing that reads it: a software rasterizer pays for every
// varying on every pixel.
//
// Positions come out of the transforms with Direct3D's conventions: depth 0
// (near) to 1 (far), and pixel centres on whole coordinates. GL wants depth
// from -1 to 1 and puts pixel centres on halves, so the depth is stretched
// and every vertex moves half a pixel right and down (y is negated as well,
// because the framebuffers keep their top row first, as pictures do).
inline constexpr const char *kVertex = R"(
layout(location = 0) in vec3 aPosition;
layout(location = 1) in vec4 aColour;
layout(location = 2) in vec2 aUV;
uniform mat4 uTransform;
uniform mat4 uWorldView;
uniform vec2 uHalfPixel;
FLAT out vec4 vColour;
out vec2 vUV;
#if FOG
out float vDepth;
#endif
void main() {
  vec4 p = vec4(aPosition, 1.0);
  vec4 c = uTransform * p;
#if FOG
  vDepth = (uWorldView * p).z;
#endif
  vColour = aColour;
  vUV = aUV;
  gl_Position = vec4(c.x + c.w * uHalfPixel.x, -c.y + c.w * uHalfPixel.y, 2.0 * c.z - c.w, c.w);
}
)";

// Texture stage: 0 the vertex colour alone, 1 texture times vertex colour,
// 2 the texture as it is. With the alpha test, a pixel whose alpha would
// store as 0 is dropped. Fog is linear in the view depth.
inline constexpr const char *kFragment = R"(
FLAT in vec4 vColour;
in vec2 vUV;
#if FOG
in float vDepth;
#endif
uniform sampler2D uTexture;
uniform vec3 uFogColour;
uniform float uFogStart;
uniform float uFogEnd;
out vec4 oColour;
void main() {
#if TEXTURE_MODE == 1
  vec4 c = vColour * texture(uTexture, vUV);
#elif TEXTURE_MODE == 2
  vec4 c = texture(uTexture, vUV);
#else
  vec4 c = vColour;
#endif
#if ALPHA_TEST
  if (c.a < 0.5 / 255.0) discard;
#endif
#if FOG
  float f;
  if (uFogEnd > uFogStart) f = clamp((uFogEnd - vDepth) / (uFogEnd - uFogStart), 0.0, 1.0);
  else f = vDepth < uFogEnd ? 1.0 : 0.0;
  c.rgb = mix(uFogColour, c.rgb, f);
#endif
  oColour = c;
}
)";

}  // namespace glshaders
