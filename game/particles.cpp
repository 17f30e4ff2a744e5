// Debris: red discs that a falling fly sheds, each shrinking in place as its life runs out.
#include "particles.h"

#include <veldo/kit.h>

#include "random.h"

void particles_clear(ParticleTable& table) {
  for (Particle& particle : table.slots)
    particle = Particle{0, 0, 0.0};
}

void particles_add(int x, int y, ParticleTable& table) {
  // The life is drawn before the search so that an add into a full table still moves the random
  // sequence on by one, exactly like an add that finds a slot.
  double life = 10 * random_fraction();
  for (Particle& particle : table.slots) {
    // Only an exact 0.0 marks a free slot; a tiny positive life is still a live particle.
    if (particle.life == 0.0) {
      particle.x = x;
      particle.y = y;
      particle.life = life;
      return;
    }
  }
}

void particles_age(ParticleTable& table) {
  for (Particle& particle : table.slots) {
    if (particle.life > 0)
      particle.life -= 0.1;
    // Never negative: reaching 0.0 exactly is what frees the slot.
    if (particle.life < 0)
      particle.life = 0.0;
  }
}

void particles_draw(const ParticleTable& table) {
  // A life below 0.5 rounds to radius 0, and such a particle is still drawn.
  for (const Particle& particle : table.slots) {
    if (particle.life > 0)
      kit_circle(VELDO_RED, particle.x, particle.y, round_half_away(particle.life));
  }
}
