#include "platform/download.h"

#include "platform/log.h"

#include <QIODevice>

#include <curl/curl.h>

#include <mutex>

namespace platform {

namespace {

struct Sink {
    QIODevice* out;
    qint64 written = 0;
    qint64 maxBytes;
};

size_t WriteBody(char* data, size_t size, size_t count, void* user) {
    auto* sink = static_cast<Sink*>(user);
    const qint64 bytes = qint64(size * count);
    if (sink->written + bytes > sink->maxBytes) return 0;  // curl reports a write error
    if (sink->out->write(data, bytes) != bytes) return 0;
    sink->written += bytes;
    return size_t(bytes);
}

}  // namespace

bool CDownloader::Download(const QString& url, QIODevice* out) const {
    // curl_global_init is not thread-safe; do it once before the first transfer.
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });

    CURL* curl = curl_easy_init();
    if (!curl) return false;
    const QByteArray address = url.toUtf8();
    Sink sink{out, 0, m_limits.maxBytes};
    curl_easy_setopt(curl, CURLOPT_URL, address.constData());
    // A registry value chooses the server; it must not reach local files or other schemes.
    curl_easy_setopt(curl, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(curl, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(curl, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(curl, CURLOPT_MAXREDIRS, 5L);
    curl_easy_setopt(curl, CURLOPT_FAILONERROR, 1L);
    curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);  // timeouts without SIGALRM; threads run
    curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT, m_limits.connectSeconds);
    curl_easy_setopt(curl, CURLOPT_TIMEOUT, m_limits.totalSeconds);
    curl_easy_setopt(curl, CURLOPT_MAXFILESIZE_LARGE, curl_off_t(m_limits.maxBytes));
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, WriteBody);
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, &sink);
    const CURLcode rc = curl_easy_perform(curl);
    curl_easy_cleanup(curl);
    qCDebug(lcUpdate) << "download" << url << (rc == CURLE_OK ? "done" : curl_easy_strerror(rc))
                      << sink.written << "bytes";
    return rc == CURLE_OK;
}

}  // namespace platform
