#pragma once
// Canvas: GDI-like drawing onto an off-screen image, so that painted controls draw exactly
// what a test can read back pixel by pixel. (Filled in by the painted-controls work.)
