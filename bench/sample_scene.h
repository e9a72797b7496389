// Test helper: a scene like the game's, about 300 faces seen by the game's camera and lit by its
// lights: two discs with a knob (96 faces each), a puck (48), a table top, a ring of rails (64)
// and a textured scoreboard pair of quads.
#pragma once

#include <cmath>
#include <vector>

#include "retained/retained.h"

namespace testing_support {

struct SampleScene {
    retained::Frame* rig = nullptr;
    retained::Frame* camera = nullptr;
    unsigned faces = 0;  // faces drawn per frame
};

// A disc of the given radius and height, with a knob when knobRadius > 0; 24 segments.
inline void AddDisc(retained::MeshBuilder* mesh, float radius, float height, float knobRadius) {
    using retained::Vector;
    std::vector<Vector> v;
    std::vector<unsigned> f;
    const unsigned n = 24;
    for (unsigned i = 0; i < n; ++i) {
        const float a = static_cast<float>(i * 2 * M_PI / n);
        const float c = std::cos(a);
        const float s = std::sin(a);
        v.push_back({radius * c, -radius * s, -height});
        v.push_back({radius * c, -radius * s, 0});
        v.push_back({knobRadius * c, -knobRadius * s, -2 * height});
        v.push_back({knobRadius * c, -knobRadius * s, -height});
    }
    v.push_back({0, 0, knobRadius > 0 ? -2 * height : -height});
    const unsigned centre = 4 * n;
    for (unsigned i = 0; i < n; ++i) {
        const unsigned j = (i + 1) % n;
        if (knobRadius > 0) {
            f.insert(f.end(), {3, centre, 4 * i + 2, 4 * j + 2});
            f.insert(f.end(), {4, 4 * i + 3, 4 * j + 3, 4 * j + 2, 4 * i + 2});
            f.insert(f.end(), {4, 4 * j + 3, 4 * i + 3, 4 * i, 4 * j});
        } else {
            f.insert(f.end(), {3, centre, 4 * i, 4 * j});
        }
        f.insert(f.end(), {4, 4 * i + 1, 4 * j + 1, 4 * j, 4 * i});
    }
    f.push_back(0);
    mesh->AddFaces(v, f);
}

inline retained::Frame* FrameWith(retained::Factory* factory, retained::Frame* scene,
                                  retained::MeshBuilder* mesh, float x, float y, float z) {
    retained::Frame* frame = nullptr;
    factory->CreateFrame(scene, &frame);
    frame->SetPosition(scene, x, y, z);
    frame->AddVisual(mesh);
    frame->Release();  // the scene holds it
    return frame;
}

inline SampleScene BuildSampleScene(retained::Factory* factory, retained::Frame* scene) {
    using namespace retained;
    SampleScene s;
    factory->CreateFrame(scene, &s.rig);
    factory->CreateFrame(s.rig, &s.camera);
    s.rig->SetPosition(scene, 0, -250, -500);
    s.camera->LookAt(scene, s.rig, CONSTRAIN_Y);
    Light* light = nullptr;
    factory->CreateLightRGB(LIGHT_AMBIENT, 0.4f, 0.4f, 0.4f, &light);
    scene->AddLight(light);
    light->Release();
    Frame* sun = nullptr;
    factory->CreateFrame(scene, &sun);
    sun->SetOrientation(scene, 1, 1, 3, 0, 1, 0);
    factory->CreateLightRGB(LIGHT_DIRECTIONAL, 0.9f, 0.9f, 0.9f, &light);
    sun->AddLight(light);
    light->Release();
    sun->Release();

    MeshBuilder* mallet = nullptr;
    factory->CreateMeshBuilder(&mallet);
    AddDisc(mallet, 18, 12, 9);
    mallet->SetColor(0xFF0019FF);
    FrameWith(factory, scene, mallet, 0, -160, 0);
    FrameWith(factory, scene, mallet, 0, 160, 0);
    MeshBuilder* puck = nullptr;
    factory->CreateMeshBuilder(&puck);
    AddDisc(puck, 18, 8, 0);
    FrameWith(factory, scene, puck, 0, 0, 0);

    MeshBuilder* table = nullptr;
    factory->CreateMeshBuilder(&table);
    const Vector top[] = {{-159, 179, 0}, {159, 179, 0}, {159, -179, 0}, {-159, -179, 0}};
    const unsigned topFace[] = {4, 0, 1, 2, 3, 0};
    table->AddFaces(top, topFace);
    table->SetColor(0xFF007FFF);
    // The rails: a ring of 32 wall and 32 top faces around the table.
    std::vector<Vector> rail;
    std::vector<unsigned> railFaces;
    const unsigned n = 32;
    for (unsigned i = 0; i < n; ++i) {
        const float a = static_cast<float>(i * 2 * M_PI / n);
        rail.push_back({170 * std::cos(a), 190 * std::sin(a), 0});
        rail.push_back({170 * std::cos(a), 190 * std::sin(a), -20});
        rail.push_back({185 * std::cos(a), 205 * std::sin(a), -20});
    }
    for (unsigned i = 0; i < n; ++i) {
        const unsigned j = (i + 1) % n;
        railFaces.insert(railFaces.end(), {4, 3 * i, 3 * j, 3 * j + 1, 3 * i + 1});
        railFaces.insert(railFaces.end(), {4, 3 * i + 1, 3 * j + 1, 3 * j + 2, 3 * i + 2});
    }
    railFaces.push_back(0);
    table->AddFaces(rail, railFaces);
    FrameWith(factory, scene, table, 0, 0, 0);

    MeshBuilder* board = nullptr;
    factory->CreateMeshBuilder(&board);
    const Vector quads[] = {{0, -38, -24}, {-36, -38, -24}, {0, -4, -24}, {-36, -4, -24},
                            {0, 4, -24},   {-36, 4, -24},   {0, 38, -24}, {-36, 38, -24}};
    const unsigned boardFaces[] = {4, 0, 1, 3, 2, 4, 4, 5, 7, 6, 0};
    board->AddFaces(quads, boardFaces);
    Texture* texture = nullptr;
    if (factory->LoadTextureFromResource("bmp_quadrants", "BITMAP", &texture) == RM_OK) {
        texture->SetDecalTransparency(true);
        for (unsigned i = 0; i < 2; ++i) {
            Face* face = nullptr;
            board->GetFace(i, &face);
            face->SetTextureCoordinates(0, 0, 1);
            face->SetTextureCoordinates(2, 1, 0);
            face->SetTextureCoordinates(3, 1, 1);
            face->SetTexture(texture);
            face->Release();
        }
        texture->Release();
    }
    FrameWith(factory, scene, board, -163, 0, 0);

    s.faces = 2 * mallet->GetFaceCount() + puck->GetFaceCount() + table->GetFaceCount() +
              board->GetFaceCount();
    mallet->Release();
    puck->Release();
    table->Release();
    board->Release();
    return s;
}

}  // namespace testing_support
