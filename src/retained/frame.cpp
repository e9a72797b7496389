// Frames: the scene tree, and each frame's place and turn in its parent.
//
// Offers: FrameImpl (SetPosition, GetPosition, SetOrientation, GetOrientation, LookAt,
// AddRotation, AddTranslation, GetTransform, the drawn transform, AddVisual, AddLight, the scene
// background) and the reference counting every object of the layer shares.
#include <cassert>

#include "retained/internal.h"

namespace retained {

unsigned Object::AddRef() {
    return ++references_;
}

unsigned Object::Release() {
    assert(references_ > 0 && "Release of an object already destroyed");
    const unsigned left = --references_;
    if (left == 0) {
        delete this;
    }
    return left;
}

namespace {

FrameImpl* AsFrame(Frame* frame) {
    return static_cast<FrameImpl*>(frame);
}

// The turn whose rows are the axes x = y x z, y, z, for +z along dir and +y as near up as can
// be; false when dir is zero or up lies along it.
bool AxesFrom(const Vector& dir, const Vector& up, Matrix* axes) {
    const Vector z = Normalize(dir);
    const Vector y = Normalize(Subtract(up, Scale(z, Dot(up, z))));
    if (Length(z) == 0 || Length(y) == 0) {
        return false;
    }
    *axes = Identity();
    SetRow(*axes, 0, Cross(y, z));
    SetRow(*axes, 1, y);
    SetRow(*axes, 2, z);
    return true;
}

}  // namespace

FrameImpl::~FrameImpl() {
    for (FrameImpl* child : children_) {
        child->parent_ = nullptr;
        child->Release();
    }
    for (MeshImpl* visual : visuals_) {
        visual->Release();
    }
    for (LightImpl* light : lights_) {
        light->Release();
    }
}

void FrameImpl::AttachChild(FrameImpl* child) {
    child->AddRef();
    child->parent_ = this;
    children_.push_back(child);
}

Matrix FrameImpl::World() const {
    Matrix world = transform_;
    for (const FrameImpl* f = parent_; f != nullptr; f = f->parent_) {
        world = Multiply(world, f->transform_);
    }
    return world;
}

const FrameImpl* FrameImpl::Root() const {
    const FrameImpl* f = this;
    while (f->parent_ != nullptr) {
        f = f->parent_;
    }
    return f;
}

Matrix FrameImpl::ParentWorld() const {
    return parent_ != nullptr ? parent_->World() : Identity();
}

Matrix FrameImpl::ReferenceWorld(Frame* reference) const {
    return reference != nullptr ? AsFrame(reference)->World() : ParentWorld();
}

int FrameImpl::SetPosition(Frame* reference, Value x, Value y, Value z) {
    const Vector world = TransformPoint({x, y, z}, ReferenceWorld(reference));
    SetRow(transform_, 3, TransformPoint(world, RigidInverse(ParentWorld())));
    return RM_OK;
}

int FrameImpl::GetPosition(Frame* reference, Vector* out) {
    if (out == nullptr) {
        return RMERR_BADVALUE;
    }
    *out = TransformPoint(Row(World(), 3), RigidInverse(ReferenceWorld(reference)));
    return RM_OK;
}

int FrameImpl::SetOrientation(Frame* reference, Value dx, Value dy, Value dz, Value ux, Value uy,
                              Value uz) {
    Matrix axes;
    if (!AxesFrom({dx, dy, dz}, {ux, uy, uz}, &axes)) {
        return RMERR_BADVALUE;
    }
    // The axes are given in the reference's coordinates: bring them into the parent's.
    Matrix turn = Multiply(axes, ReferenceWorld(reference));
    turn = Multiply(turn, RigidInverse(ParentWorld()));
    for (int row = 0; row < 3; ++row) {
        SetRow(transform_, row, Row(turn, row));
    }
    return RM_OK;
}

int FrameImpl::GetOrientation(Frame* reference, Vector* dir, Vector* up) {
    if (dir == nullptr || up == nullptr) {
        return RMERR_BADVALUE;
    }
    const Matrix toReference = Multiply(World(), RigidInverse(ReferenceWorld(reference)));
    *dir = Row(toReference, 2);
    *up = Row(toReference, 1);
    return RM_OK;
}

int FrameImpl::LookAt(Frame* target, Frame* reference, FrameConstraint constraint) {
    if (target == nullptr || constraint != CONSTRAIN_Y) {
        return RMERR_BADVALUE;
    }
    const Matrix toReference = RigidInverse(ReferenceWorld(reference));
    const Vector from = TransformPoint(Row(World(), 3), toReference);
    const Vector to = TransformPoint(Row(AsFrame(target)->World(), 3), toReference);
    const Vector dir = Subtract(to, from);
    return SetOrientation(reference, dir.x, dir.y, dir.z, 0, 1, 0);
}

int FrameImpl::AddRotation(CombineType combine, Value x, Value y, Value z, Value theta) {
    const Vector axis{x, y, z};
    if (Length(axis) == 0) {
        return RMERR_BADVALUE;
    }
    const Matrix turn = Rotation(axis, theta);
    switch (combine) {
        case COMBINE_REPLACE:
            transform_ = turn;
            return RM_OK;
        case COMBINE_BEFORE:
            transform_ = Multiply(turn, transform_);
            return RM_OK;
        case COMBINE_AFTER:
            transform_ = Multiply(transform_, turn);
            return RM_OK;
    }
    return RMERR_BADVALUE;
}

int FrameImpl::AddTranslation(CombineType combine, Value x, Value y, Value z) {
    const Matrix move = Translation(x, y, z);
    switch (combine) {
        case COMBINE_REPLACE:
            transform_ = move;
            return RM_OK;
        case COMBINE_BEFORE:
            transform_ = Multiply(move, transform_);
            return RM_OK;
        case COMBINE_AFTER:
            transform_ = Multiply(transform_, move);
            return RM_OK;
    }
    return RMERR_BADVALUE;
}

int FrameImpl::GetTransform(Matrix* out) const {
    if (out == nullptr) {
        return RMERR_BADVALUE;
    }
    *out = transform_;
    return RM_OK;
}

int FrameImpl::SetDrawnTransform(const Matrix* drawn) {
    drawn_ = drawn != nullptr ? std::optional(*drawn) : std::nullopt;
    return RM_OK;
}

int FrameImpl::AddVisual(MeshBuilder* visual) {
    if (visual == nullptr) {
        return RMERR_BADOBJECT;
    }
    visual->AddRef();
    visuals_.push_back(static_cast<MeshImpl*>(visual));
    return RM_OK;
}

int FrameImpl::AddLight(Light* light) {
    if (light == nullptr) {
        return RMERR_BADOBJECT;
    }
    light->AddRef();
    lights_.push_back(static_cast<LightImpl*>(light));
    return RM_OK;
}

}  // namespace retained
