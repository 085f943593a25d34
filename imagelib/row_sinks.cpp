#include "imagelib/row_sinks.h"

namespace tervo::imagelib {

bool WholeImageSink::start(QSize size, QImage::Format format) {
    image_ = QImage(size, format);
    return !image_.isNull();
}

}  // namespace tervo::imagelib
