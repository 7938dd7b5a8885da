// AppFont: the one font of every window.
#pragma once

#include <QFont>

namespace velkaro {

// Tahoma 13 pixels high where it is installed, otherwise the system's
// sans-serif face at 13 pixels. Characters the face lacks (Japanese) come
// from the font fallback of the platform.
QFont ApplicationFont();
// Makes ApplicationFont the application's default font.
void InstallApplicationFont();

}  // namespace velkaro
