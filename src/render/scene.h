// The scene: the table, goals, mallets, puck, scoreboard and banner, built once at start-up, and
// the per-tick placing of the three bodies' frames.
#pragma once

// Object frame indices. The three bodies' frames come first, at the game's indices of its bodies
// (the game places each body's frame by the body's own index).
enum ObjectFrame : unsigned {
    FRAME_PLAYER_MALLET = 0,
    FRAME_CPU_MALLET = 1,
    FRAME_PUCK = 2,
    FRAME_TABLE = 3,
    FRAME_GOAL_PLAYER = 4,
    FRAME_GOAL_CPU = 5,
    FRAME_SCOREBOARD = 6,
    FRAME_BANNER = 7,
    OBJECT_FRAME_COUNT = 8
};

// Mesh builder slots, in the order the render device creates them.
enum MeshBuilderIndex : unsigned {
    MESH_MALLET = 0,
    MESH_PUCK = 1,
    MESH_SURFACE = 2,
    MESH_CENTRE_LINE = 3,
    MESH_RAILS = 4,
    MESH_GOAL = 5,
    MESH_GOAL_MOUTH = 6,
    MESH_SCOREBOARD = 7,
    MESH_BANNER = 8,
    MESH_BUILDER_COUNT = 9
};

// Texture slots: the digit atlas and the banner atlas.
enum TextureSlot : unsigned { TEX_DIGITS = 0, TEX_BANNERS = 1, TEXTURE_COUNT = 2 };

// Fills the empty meshes, frames and textures of the render device. Stops at the first mesh whose
// faces cannot be added, leaving the later objects empty; returns 1 when every step ran, else 0.
int BuildScene();
// Moves frame i (i < OBJECT_FRAME_COUNT, else nothing) to (x, y, z) in scene units.
void PlaceBodyFrame(unsigned i, double x, double y, double z);
// Loads the BITMAP resource `name` into texture slot `slot` (slot < TEXTURE_COUNT, else nothing).
void LoadTextureSlot(unsigned slot, const char* name);
// Adds mesh builder j as a visual of object frame i (i < OBJECT_FRAME_COUNT, else nothing).
void AttachVisual(unsigned i, unsigned j);
