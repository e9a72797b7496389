// A mesh builder that refuses every face, to stop the scene builder at a chosen step.
#pragma once

#include "retained/retained.h"

class RefusingMeshBuilder final : public retained::MeshBuilder {
  public:
    int AddFaces(std::span<const retained::Vector>, std::span<const unsigned>) override {
        return retained::RMERR_BADVALUE;
    }
    int SetColor(retained::Color) override { return retained::RM_OK; }
    retained::Color GetColor() const override { return retained::COLOR_WHITE; }
    int GetFace(unsigned, retained::Face**) override { return retained::RMERR_NOTFOUND; }
    unsigned GetFaceCount() const override { return 0; }
    unsigned GetVertexCount() const override { return 0; }
    int GetVertex(unsigned, retained::Vector*) const override { return retained::RMERR_NOTFOUND; }
};
