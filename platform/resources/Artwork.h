// The pictures of one deliverable: each deliverable's resources folder has an Artwork.cpp that
// draws the pictures its Resources.def names, built into that deliverable's resource compiler.
#pragma once

#include <optional>
#include <string>

#include "Image.h"

// The picture of that name; nullopt for a name the deliverable does not draw.
std::optional<platform::Image> DrawArtwork(const std::string& name);
