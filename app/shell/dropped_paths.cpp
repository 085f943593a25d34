#include "app/shell/dropped_paths.h"

#include <QMimeData>
#include <QUrl>

namespace tervo {

std::optional<std::vector<std::string>> dropped_local_paths(const QMimeData* data) {
    if (!data || !data->hasUrls()) return std::nullopt;
    std::vector<std::string> paths;
    for (const QUrl& url : data->urls()) {
        if (!url.isLocalFile()) return std::nullopt;
        const QString host = url.host();
        if (!host.isEmpty() && host != QLatin1String("localhost")) return std::nullopt;
        // The encoded path keeps bytes that are not UTF-8 as %XX escapes, which
        // give the name's bytes back; toLocalFile() would make them U+FFFD.
        const QByteArray bytes = QByteArray::fromPercentEncoding(url.path(QUrl::FullyEncoded).toLatin1());
        if (bytes.isEmpty()) return std::nullopt;
        paths.emplace_back(bytes.constData(), static_cast<std::size_t>(bytes.size()));
    }
    if (paths.empty()) return std::nullopt;
    return paths;
}

}  // namespace tervo
