#pragma once

#include "preview/PreviewImage.h"

struct AVFrame;

// A decoded frame scaled, keeping its proportions, to fit a box, in the
// preview's pixel layout; empty when it cannot be.
PreviewImage ScaleFrameToBox(const AVFrame* frame, int boxWidth, int boxHeight);
