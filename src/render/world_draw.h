// Drawing of the glass's contents: the blocks as stacks of layers, floating texts, removal ghosts, sparks,
// ice shards and the links of chains. It also ages those short-lived effects and keeps the vision timer.
#pragma once
#include <cstdint>

struct Atom;
struct PhysicsWorld;

// Glass to screen: the glass is shown 96 pixels right and 48 pixels up.
constexpr float GlassScreenX = 96.0f;
constexpr float GlassScreenY = -48.0f;

constexpr int GhostLifeMs = 350;
constexpr int SparkLifeMs = 550;
constexpr int IceShardLifeMs = 550;

// Draws every atom in use, then the floating texts, removal ghosts, sparks and ice shards, and ages and
// frees those. variantIndex: VariantShapes, VariantChains or VariantCubes. Call once per game frame after
// the physics step and the rules; it advances the glow animations.
void DrawWorld(PhysicsWorld& world, int variantIndex, uint64_t frameMs);
// The links between the atoms of each chain of the last rule pass (chains), right after DrawWorld.
void DrawChainLinks(const PhysicsWorld& world);

// The effects switch (F1): glow of marked blocks, removal ghosts and the level-up sparkles. On at start.
bool EffectsEnabled();
void SetEffectsEnabled(bool on);
void ToggleEffects();

// shapes: set in the last DrawWorld when the piece outlines were fully shown (left button held on empty
// glass for 750 ms). The tutorial reads it.
bool VisionShown();
int32_t VisionTimerMs();
void ResetVision();

// The decisions of the drawing, as plain functions.
// Crack level of an ice block: 0 intact, 1 first crack, 2 second crack.
int IceCrackLevel(int32_t hitsLeft, int32_t deadHits);
// Texture of an atom's body (the saved colour once a colour flash is half over); -1 when none.
int AtomBodyImage(const Atom& atom, int32_t deadHits);
// Texture of its pattern, by the same colour; -1 for an ice block or an unknown colour.
int AtomPatternImage(const Atom& atom);
// Alpha of a marked atom's body: 55 and 255 alternating every 140 ms.
int MarkBlinkAlpha(int32_t markTime);
// Alpha of the special mark of a marked atom: the body's blink shifted by 140 ms.
int SpecialBlinkAlpha(int32_t markTime);
// Alpha through a 1000 ms colour flash: opaque, fading out to 0 at 500 ms, back to opaque.
int FlashAlpha(uint32_t flashTime);
// The body alpha: a colour flash's fade, else the blink of a marked atom.
int AtomBodyAlpha(const Atom& atom);
// Frost image of an unmarked atom by its ice age: -1 none, else 0..2.
int FrostStage(uint32_t iceAge);
// The glow of the last 1000 ms before removal uses the late set.
bool GlowIsLate(int32_t markTime, int32_t freezeActiveTime);
int GlowAlpha(int32_t markTime);
// The vision timer after one frame: it grows while the button is held on empty glass, else it is held at
// 1000 at most and falls by the frame time while positive (so it may end a little below 0).
int32_t NextVisionTimer(int32_t timerMs, bool holding, uint64_t frameMs);
// Alpha of the piece outlines for the vision timer: 0 up to 500 ms, 255 from 750 ms.
int VisionAlpha(int32_t timerMs);
// Floating texts: life in ms by kind and the alpha of the pictures of kinds 0..9.
int FloatingTextLifeMs(uint16_t kind);
int FloatingTextAlpha(uint16_t kind, uint16_t ageMs);
// Frames of the removal ghost and the spark sets for their ages.
int GhostFrame(int32_t ageMs);
int SparkFrame(int32_t ageMs);
// Chain links: alpha by the entry's mark and the angle that lays the square along the link.
int ChainLinkAlpha(bool marked, int32_t markTime);
float ChainLinkAngle(float dx, float dy);
