// JPEG decoding through Qt's image reader (its plugin wraps libjpeg), so the
// program needs no JPEG library of its own where Qt brings one.
#pragma once

#include <QByteArray>
#include <QImage>

namespace orrimax::ui {

// A null image when the bytes are not a JPEG that the reader can decode.
QImage DecodeJpeg(const QByteArray& bytes);

}  // namespace orrimax::ui
