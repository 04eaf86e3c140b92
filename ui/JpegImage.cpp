#include "JpegImage.h"

#include <QBuffer>
#include <QImageReader>

namespace orrimax::ui {

QImage DecodeJpeg(const QByteArray& bytes) {
  QBuffer buffer;
  buffer.setData(bytes);
  if (!buffer.open(QIODevice::ReadOnly)) return {};
  // Named, not guessed: other formats' readers never see the bytes.
  QImageReader reader(&buffer, "jpeg");
  reader.setDecideFormatFromContent(false);
  return reader.read();
}

}  // namespace orrimax::ui
