// Records the quads that a drawing call sends to GL, in feedback mode: each
// quad as its distinct corners (window coordinates) with their texture
// coordinates, however the driver splits it into triangles; and, when asked
// for, the signed area of every polygon GL handed back (negative when it is
// wound clockwise on the screen).
#pragma once

#include <functional>
#include <vector>

#include "platform/gl.h"

struct Corner {
    float x, y, z, s, t;
    float red, alpha;  // as GL hands them back, clamped to 0..1
};
typedef std::vector<Corner> Quad;

inline std::vector<Quad> RecordQuads(const std::function<void()>& draw, std::vector<float>* areas = nullptr)
{
    static GLfloat buffer[1 << 18];
    glFeedbackBuffer((GLsizei)(sizeof buffer / sizeof buffer[0]), GL_3D_COLOR_TEXTURE, buffer);
    glRenderMode(GL_FEEDBACK);
    draw();
    GLint used = glRenderMode(GL_RENDER);

    // A vertex in RGBA mode: x, y, z, colour (4), texture coordinate (4).
    const int vertexFloats = 11;
    std::vector<Quad> quads;
    Quad current;
    int triangles = 0;
    for (GLint i = 0; i < used;) {
        if (buffer[i] != GL_POLYGON_TOKEN)
            return {};  // nothing but polygons is expected
        int count = (int)buffer[i + 1];
        const GLfloat* vertex = buffer + i + 2;
        float area = 0.0f;
        for (int v = 0; v < count; ++v) {
            const GLfloat* next = vertex + (v + 1) % count * vertexFloats;
            area += (vertex[v * vertexFloats] * next[1] - next[0] * vertex[v * vertexFloats + 1]) / 2;
        }
        if (areas)
            areas->push_back(area);
        for (int v = 0; v < count; ++v, vertex += vertexFloats) {
            Corner corner = {vertex[0], vertex[1], vertex[2], vertex[7], vertex[8], vertex[3], vertex[6]};
            bool seen = false;
            for (const Corner& c : current)
                seen = seen || (c.x == corner.x && c.y == corner.y && c.s == corner.s && c.t == corner.t);
            if (!seen)
                current.push_back(corner);
        }
        triangles += count - 2;
        if (triangles >= 2) {
            quads.push_back(current);
            current.clear();
            triangles = 0;
        }
        i += 2 + count * vertexFloats;
    }
    return quads;
}

// The corner of a quad at a position (within the rounding of the viewport
// transform), or one with NaN coordinates.
inline Corner CornerAt(const Quad& quad, float x, float y)
{
    for (const Corner& c : quad)
        if (__builtin_fabsf(c.x - x) < 1e-3f && __builtin_fabsf(c.y - y) < 1e-3f)
            return c;
    float nan = __builtin_nanf("");
    return {x, y, nan, nan, nan, nan, nan};
}
