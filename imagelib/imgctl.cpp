// Placeholder until the library lands: every operation reports failure.
#include "imagelib/imgctl.h"

#include <cstring>

namespace tervo {

int32_t header_width(const image_header& h) { int32_t v; std::memcpy(&v, h.bytes + 4, 4); return v; }
int32_t header_height(const image_header& h) { int32_t v; std::memcpy(&v, h.bytes + 8, 4); return v; }
ImageHandle ToDIB(const char*) { return 0; }
int DeleteDIB(ImageHandle) { return 0; }
int TurnDIB(ImageHandle, int) { return 0; }
int DIBto24Bit(ImageHandle) { return 0; }
int HeadDIB(ImageHandle, image_header*) { return 0; }
int ResizeDIB(ImageHandle, int, int) { return 0; }
int DIBtoDCex2(QPainter*, int, int, int, int, ImageHandle, int, int, int, int, uint32_t, int) { return 0; }
int DIBtoBMP(const char*, ImageHandle) { return 0; }
int DIBtoJPG(const char*, ImageHandle, int, int) { return 0; }
int DIBtoGIF(const char*, ImageHandle, int) { return 0; }
int DIBtoPNG(const char*, ImageHandle, int) { return 0; }
int DIBtoGIFAni(const char*, const ImageHandle*, int, uint16_t) { return 0; }
uint32_t ImgctlVersion() { return 100; }
uint32_t ImgctlBeta() { return 0; }

}  // namespace tervo
