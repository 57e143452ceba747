// Particles: emission angles and speeds, the whole-pixel step, forces, ageing, sizes and frames.
#include <gtest/gtest.h>

#include <memory>

#include "render/particles.h"
#include "render_test_support.h"

using namespace render_test;

namespace {

class RenderParticles : public ::testing::Test {
   protected:
    std::unique_ptr<ParticleSystem> s = std::make_unique<ParticleSystem>();
};

TEST(RenderParticleLooks, SizeShrinksFrom120To80AndFramesRunThroughTheSet) {
    EXPECT_EQ(ParticleSize(0), 120);
    EXPECT_EQ(ParticleSize(440), 100);
    EXPECT_EQ(ParticleSize(879), 80);
    EXPECT_EQ(ParticleFrame(0), 0);
    EXPECT_EQ(ParticleFrame(440), 9);
    EXPECT_EQ(ParticleFrame(879), 18);
    // The last moment of its life wraps round to the start of the set.
    EXPECT_EQ(ParticleFrame(880), 0);
    EXPECT_EQ(ParticleSize(880), 120);
}

TEST_F(RenderParticles, EmissionSpreadsTheAnglesAndPointsUpForPositiveAngles) {
    EmitParticles(*s, 2, 100.0f, 100.0f, 0.0f, 180.0f, 3.0f, 3.0f, 0, nullptr);
    ASSERT_EQ(LiveParticleCount(*s), 2);
    const Particle& right = s->particles[0];
    const Particle& up = s->particles[1];  // 90 degrees
    EXPECT_NEAR(right.vx, 3.0f, 0.001f);
    EXPECT_NEAR(right.vy, 0.0f, 0.001f);
    EXPECT_NEAR(up.vx, 0.0f, 0.01f);
    EXPECT_NEAR(up.vy, -3.0f, 0.001f);  // screen y grows downwards
    EXPECT_EQ(up.ageMs, 0);
    // A full pool emits no more.
    EmitParticles(*s, 300, 10.0f, 10.0f, 0.0f, 90.0f, 1.0f, 1.0f, 0, nullptr);
    EXPECT_EQ(LiveParticleCount(*s), ParticleCapacity);
}

TEST_F(RenderParticles, StepMovesByWholePixelsAndStaysOnScreen) {
    EmitParticles(*s, 1, 100.0f, 100.0f, 0.0f, 0.0f, 1.5f, 1.5f, 0, nullptr);
    UpdateParticles(*s, 16);
    EXPECT_FLOAT_EQ(s->particles[0].x, 101.0f);
    EmitParticles(*s, 1, 478.0f, 2.0f, 45.0f, 45.0f, 8.0f, 8.0f, 0, nullptr);
    UpdateParticles(*s, 16);
    EXPECT_FLOAT_EQ(s->particles[1].x, 480.0f);
    EXPECT_FLOAT_EQ(s->particles[1].y, 0.0f);
}

TEST_F(RenderParticles, ParticleLives880Ms) {
    EmitParticles(*s, 1, 100.0f, 100.0f, 0.0f, 0.0f, 0.0f, 0.0f, 0, nullptr);
    for (int i = 0; i < 11; ++i) UpdateParticles(*s, 80);
    EXPECT_FALSE(s->particles[0].free);  // 880 ms
    UpdateParticles(*s, 1);
    EXPECT_TRUE(s->particles[0].free);
}

TEST_F(RenderParticles, ForcesAreAveragedAndKicksComeOncePerPeriod) {
    int pull = AddParticleForce(*s, ForcePull, 200.0f, 100.0f, 0, 0.0f, 0.1f);
    int kick = AddParticleForce(*s, ForceImpulse, 0.0f, 0.0f, 100, 4.0f, 0.0f);
    ASSERT_GE(pull, 0);
    ASSERT_GE(kick, 0);
    const uint8_t both[2] = {static_cast<uint8_t>(pull), static_cast<uint8_t>(kick)};
    EmitParticles(*s, 1, 100.0f, 100.0f, 0.0f, 0.0f, 0.0f, 0.0f, 2, both);
    UpdateParticles(*s, 60);  // kick not yet due: pull (100 x 0.1) / 2
    EXPECT_FLOAT_EQ(s->particles[0].vx, 5.0f);
    EXPECT_FLOAT_EQ(s->particles[0].vy, 0.0f);
    EXPECT_TRUE(s->forces[pull].used);
    UpdateParticles(*s, 60);  // 60 ms since start: still not past the period
    UpdateParticles(*s, 60);  // 120 ms: one kick of 4, halved
    EXPECT_FLOAT_EQ(s->particles[0].vy, 2.0f);
    UpdateParticles(*s, 60);
    // The period restarted: no second kick, only the pull back towards y 100 from 102, halved.
    EXPECT_NEAR(s->particles[0].vy, 1.9f, 0.0001f);
    // A freed force adds nothing, but the sum is still shared by both ids.
    FreeParticleForce(*s, kick);
    const float vx = s->particles[0].vx;
    const float pullX = (200.0f - s->particles[0].x) * 0.1f;
    UpdateParticles(*s, 10);
    EXPECT_FLOAT_EQ(s->particles[0].vx, vx + pullX / 2.0f);
    EXPECT_FALSE(s->forces[kick].used);
}

TEST_F(RenderParticles, DrawnAdditiveAndFaintEvenHalfOffTheScreen) {
    ASSERT_TRUE(StartWithImages());
    ClearPicture();
    EmitParticles(*s, 1, 0.0f, 100.0f, 0.0f, 0.0f, 0.0f, 0.0f, 0, nullptr);  // centred on the left edge
    EmitParticles(*s, 1, 300.0f, 100.0f, 0.0f, 0.0f, 0.0f, 0.0f, 0, nullptr);
    DrawParticles(*s);
    int leftLit = 0, brightest = 0;
    for (int y = 40; y < 160; y += 2)
        for (int x = 0; x < 60; x += 2) {
            int b = Brightness(PicturePixel(x, y));
            leftLit += b > 0;
            int c = Brightness(PicturePixel(x + 270, y));
            brightest = c > brightest ? c : brightest;
        }
    EXPECT_GT(leftLit, 10);
    EXPECT_GT(brightest, 0);
    EXPECT_LT(brightest, 3 * 0x30);  // factor alpha 0x22 of full white at most
}

}  // namespace
