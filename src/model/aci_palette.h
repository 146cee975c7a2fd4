#pragma once

#include <cstdint>

namespace plotaktar {

// The standard 256-entry AutoCAD colour index palette as 0xRRGGBB: a layer's "Renk" 1 to 255
// (1 red, 7 white/black, 8 grey, 30 orange, ...). Index 0 (by block) and indices outside 0 to
// 255 give 0 (black).
uint32_t AciRgb(int index);

// A layer's colour as drawn on white paper: AciRgb, with 7 (white/black) black.
uint32_t AciRgbOnWhite(int index);

}  // namespace plotaktar
