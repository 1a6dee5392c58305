// The shader pair every draw runs through. FLAT is defined as "flat" for the
// flat-shaded program and as nothing for the smooth one.
#pragma once

namespace glshaders {

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
out float vDepth;
void main() {
  vec4 p = vec4(aPosition, 1.0);
  vec4 c = uTransform * p;
  vDepth = (uWorldView * p).z;
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
in float vDepth;
uniform sampler2D uTexture;
uniform int uTextureMode;
uniform bool uAlphaTest;
uniform bool uFog;
uniform vec3 uFogColour;
uniform float uFogStart;
uniform float uFogEnd;
out vec4 oColour;
void main() {
  vec4 c = vColour;
  if (uTextureMode == 1) c *= texture(uTexture, vUV);
  else if (uTextureMode == 2) c = texture(uTexture, vUV);
  if (uAlphaTest && c.a < 0.5 / 255.0) discard;
  if (uFog) {
    float f;
    if (uFogEnd > uFogStart) f = clamp((uFogEnd - vDepth) / (uFogEnd - uFogStart), 0.0, 1.0);
    else f = vDepth < uFogEnd ? 1.0 : 0.0;
    c.rgb = mix(uFogColour, c.rgb, f);
  }
  oColour = c;
}
)";

}  // namespace glshaders
