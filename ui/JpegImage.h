// JPEG decoding through libjpeg.
#pragma once

#include <QByteArray>
#include <QImage>

namespace orrimax::ui {

// A null image when the bytes are not a JPEG that libjpeg can decode.
QImage DecodeJpeg(const QByteArray& bytes);

}  // namespace orrimax::ui
