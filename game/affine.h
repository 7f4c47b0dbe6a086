// The zoom of the intro's second scene and the affine sprite helpers it uses:
// turning and scaling a placed sprite about a centre, and the rotation and
// scale matrices in the attr3 words of oam_buffer.
#pragma once

#include <cstdint>

// One frame of the zoom, keyed by scene_timer.
void zoom_step();

// Makes entry (placed relative to the centre) an affine sprite turned by
// angle and scaled by scale (8.8) about (cx, cy), using matrix group
// `group` or the next ones for flipped sprites. Shape 3 is left as it is.
void affine_place(int entry, int16_t cx, int16_t cy, uint16_t angle, int16_t scale, int double_size,
                  int group);

// Four matrices (plain, mirrored X, mirrored Y, both) into the attr3 words of
// entries first .. first + 15; groups past entry 127 and scale 0 are skipped.
void set_rot_scale(uint16_t angle, int16_t scale, int first);
