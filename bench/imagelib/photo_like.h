// Generated pictures with the texture of a camera photo: smooth shading,
// edges, fine detail and sensor noise, so codecs work as hard as on real
// photos without committing any.
#pragma once

#include <QImage>

namespace tervo::bench {

// `variant` shifts the scene, for frames of an animation.
QImage photo_like(int width, int height, int variant = 0);

}  // namespace tervo::bench
