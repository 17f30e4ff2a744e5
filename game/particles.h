// Debris: red discs shed by falling flies, shrinking as they age.
#pragma once

constexpr int PARTICLE_SLOTS = 200;

struct Particle {
  int x;
  int y;
  double life; // at most 10; exactly 0.0 marks a free slot
};

struct ParticleTable {
  Particle slots[PARTICLE_SLOTS];
};

void particles_clear(ParticleTable& table);
void particles_add(int x, int y, ParticleTable& table);
void particles_age(ParticleTable& table);
void particles_draw(const ParticleTable& table);
