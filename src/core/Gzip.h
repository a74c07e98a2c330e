#pragma once
// gzip/zlib codec over zlib. Inflation always runs under a byte budget so that
// a small hostile file cannot exhaust memory.

#include <QByteArray>

#include <cstddef>
#include <optional>

// Budget of an inflated design file.
inline constexpr size_t kDesignInflateLimit = size_t(512) * 1024 * 1024;
// Budget of one inflated embedded image.
inline constexpr size_t kImageInflateLimit = size_t(64) * 1024 * 1024;

// Inflates gzip or zlib data (the header decides). Concatenated gzip members
// are inflated one after another, as gzip(1) does; bytes after the last
// complete stream that do not start another gzip member are ignored. None
// when the data has no valid header, is corrupt or truncated, or inflates to
// more than maxOutput bytes.
std::optional<QByteArray> gzipInflate(const QByteArray& data, size_t maxOutput);

// Compresses to the gzip format (one member, default level).
QByteArray gzipDeflate(const QByteArray& data);

// True when the data starts with the gzip magic bytes 1f 8b.
bool looksGzip(const QByteArray& data);
