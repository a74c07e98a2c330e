#include "core/XmlParts.h"

#include "core/ReadWorkers.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <cstring>
#include <mutex>
#include <limits>
#include <string_view>

namespace {

thread_local const XmlParts* currentParts = nullptr;

enum class TagKind : uint8_t { Open, Empty, Close };

// A tag met by the scan: where its '<' is, and the level of its element (the
// root's is 0), counted from the start of the chunk it lies in.
struct Tag {
    size_t at;
    int level;
    TagKind kind;
};

struct ChunkScan {
    bool ok = true;
    int delta = 0;
    int minimumLevel = std::numeric_limits<int>::max();
    std::vector<Tag> tags;
};

bool isNameEnd(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '/' || c == '>' || c == '\0'; }

std::string_view tagName(const char* text, size_t at)
{
    const char* p = text + at + 1;
    if (*p == '/')
        ++p;
    const char* q = p;
    while (!isNameEnd(*q))
        ++q;
    return std::string_view(p, size_t(q - p));
}

// The end of the start tag whose name begins at p: its '>', past quoted
// values (which may hold '>'); null at a NUL (the text's end, or a byte a
// whole parse would refuse).
inline const char* startTagEnd(const char* p)
{
    for (;;) {
        const char c = *p;
        if (c == '>')
            return p;
        if (c == '\0')
            return nullptr;
        if (c == '"' || c == '\'') {
            ++p;
            while (*p != c) {
                if (*p == '\0')
                    return nullptr;
                ++p;
            }
        }
        ++p;
    }
}

// The next '<' from p on, or null past stop. Tags mostly follow each other
// closely: a few bytes are looked at before the library's search.
inline const char* nextTag(const char* p, const char* stop)
{
    for (int i = 0; i < 4 && p < stop; ++i, ++p) {
        if (*p == '<')
            return p;
    }
    return p < stop ? static_cast<const char*>(std::memchr(p, '<', size_t(stop - p))) : nullptr;
}

// The tags whose '<' lies in [from, to) of the NUL-ended text, the first at
// level base. Counts the chunk's depth change and shallowest level; with
// Record, keeps the tags at levels up to keptLevel. Fails at anything but
// start and end tags (a comment or processing instruction could hold what
// looks like a tag) and at a NUL before the end.
template <bool Record>
void scanChunk(const char* text, size_t from, size_t to, int base, int keptLevel, ChunkScan& out)
{
    if (!Record && std::memchr(text + from, '\0', to - from)) {
        out.ok = false;
        return;
    }
    const char* p = text + from;
    const char* const stop = text + to;
    int depth = base, minimum = std::numeric_limits<int>::max();
    while ((p = nextTag(p, stop))) {
        const char next = p[1];
        const char* const at = p;
        int level;
        TagKind kind;
        if (next == '/') {
            const char* end = std::strchr(p + 2, '>');
            if (!end) {
                out.ok = false;
                return;
            }
            level = --depth;
            kind = TagKind::Close;
            p = end + 1;
        } else if (next == '!' || next == '?' || next == '\0') {
            out.ok = false;
            return;
        } else {
            const char* end = startTagEnd(p + 1);
            if (!end) {
                out.ok = false;
                return;
            }
            level = depth;
            if (end[-1] == '/') {
                kind = TagKind::Empty;
            } else {
                kind = TagKind::Open;
                ++depth;
            }
            p = end + 1;
        }
        minimum = std::min(minimum, level);
        if (Record && level <= keptLevel)
            out.tags.push_back({size_t(at - text), level, kind});
    }
    out.delta = depth - base;
    out.minimumLevel = minimum;
}

// Where the first tag lies: past a UTF-8 byte order mark, white space and an
// XML declaration that names no encoding or UTF-8. npos for any other start
// (another encoding, another processing instruction, a document type).
size_t prologEnd(const QByteArray& text)
{
    const char* p = text.constData();
    const char* const end = p + text.size();
    if (text.startsWith("\xEF\xBB\xBF"))
        p += 3;
    if (QByteArrayView(p, end - p).startsWith("<?xml")) {
        const char* close = static_cast<const char*>(memmem(p, size_t(end - p), "?>", 2));
        if (!close)
            return std::string::npos;
        const std::string_view declaration(p, size_t(close - p));
        const size_t encoding = declaration.find("encoding");
        if (encoding != std::string_view::npos) {
            const size_t quote = declaration.find_first_of("\"'", encoding);
            if (quote == std::string_view::npos)
                return std::string::npos;
            const size_t closeQuote = declaration.find(declaration[quote], quote + 1);
            if (closeQuote == std::string_view::npos)
                return std::string::npos;
            std::string name(declaration.substr(quote + 1, closeQuote - quote - 1));
            std::transform(name.begin(), name.end(), name.begin(), [](unsigned char c) { return char(std::tolower(c)); });
            if (name != "utf-8" && name != "utf8")
                return std::string::npos;
        }
        p = close + 2;
    }
    while (p < end && (*p == ' ' || *p == '\t' || *p == '\n' || *p == '\r'))
        ++p;
    if (p == end || *p != '<')
        return std::string::npos;
    return size_t(p - text.constData());
}

// A list found by the scan: its start tag, the starts of its children and
// its end tag.
struct FoundList {
    size_t startTag = 0;
    std::vector<size_t> children;
    size_t endTag = 0;
    size_t path = 0;
};

struct Span {
    size_t begin, end;
};

// The element under path from node whose name lies at name, if any.
pugi::xml_node cutListNode(pugi::xml_node node, const XmlParts::ListPath& path, size_t step, const char* name)
{
    if (step == path.size())
        return node.name() == name ? node : pugi::xml_node();
    for (pugi::xml_node child = node.first_child(); child; child = child.next_sibling()) {
        if (child.type() == pugi::node_element && path[step] == child.name()) {
            if (const pugi::xml_node found = cutListNode(child, path, step + 1, name))
                return found;
        }
    }
    return pugi::xml_node();
}

} // namespace

struct XmlParts::Run {
    size_t begin, end;
    std::once_flag parsed;
    pugi::xml_document doc;
    bool ok = false;
};

XmlParts::XmlParts() = default;
XmlParts::~XmlParts() = default;

void XmlParts::clear()
{
    document_.reset();
    runs_.clear();
    listRuns_.clear();
    skeletonText_.reset();
    text_ = nullptr;
    failed_ = false;
}

pugi::xml_parse_result XmlParts::parse(QByteArray& text, const std::vector<ListPath>& lists, bool split)
{
    Limits limits;
    if (!split)
        limits.minimumText = std::numeric_limits<size_t>::max();
    return parse(text, lists, limits);
}

pugi::xml_parse_result XmlParts::parse(QByteArray& text, const std::vector<ListPath>& lists, const Limits& limits)
{
    clear();
    if (size_t(text.size()) >= limits.minimumText && ReadWorkers::threads() > 1 && parseSplit(text, lists, limits)) {
        pugi::xml_parse_result ok;
        ok.status = pugi::status_ok;
        return ok;
    }
    clear();
    return document_.load_buffer_inplace(text.data(), size_t(text.size()), pugi::parse_default, pugi::encoding_auto);
}

bool XmlParts::parseSplit(const QByteArray& text, const std::vector<ListPath>& lists, const Limits& limits)
{
    const size_t first = prologEnd(text);
    if (first == std::string::npos || lists.empty())
        return false;
    size_t deepest = 0;
    for (const ListPath& path : lists) {
        if (path.empty())
            return false;
        deepest = std::max(deepest, path.size());
    }
    // Levels up to the lists' children are followed.
    const int childLevel = int(deepest) + 1;
    const char* const chars = text.constData();
    const size_t length = size_t(text.size());

    // Scan the chunks at once.
    const size_t chunkBytes = std::max<size_t>(limits.scanChunk, 1);
    const size_t chunks = (length - first + chunkBytes - 1) / chunkBytes;
    std::vector<ChunkScan> scans(chunks);
    std::atomic<bool> failed{false};
    const auto chunkFrom = [&](size_t c) { return first + c * chunkBytes; };
    const auto chunkTo = [&](size_t c) { return std::min(length, first + (c + 1) * chunkBytes); };
    ReadWorkers::forEachPart(chunks, 1, [&](size_t begin, size_t end) {
        for (size_t c = begin; c < end && !failed.load(std::memory_order_relaxed); ++c) {
            scanChunk<false>(chars, chunkFrom(c), chunkTo(c), 0, 0, scans[c]);
            if (!scans[c].ok)
                failed = true;
        }
    });
    if (failed)
        return false;
    // Each chunk's first level; then the chunks that reach the lists' levels
    // are scanned again for their shallow tags.
    std::vector<int> bases(chunks);
    std::vector<size_t> shallow;
    int depth = 0;
    for (size_t c = 0; c < chunks; ++c) {
        if (scans[c].minimumLevel != std::numeric_limits<int>::max() && depth + scans[c].minimumLevel < 0)
            return false;
        bases[c] = depth;
        if (scans[c].minimumLevel != std::numeric_limits<int>::max() && depth + scans[c].minimumLevel <= childLevel)
            shallow.push_back(c);
        depth += scans[c].delta;
    }
    if (depth != 0)
        return false;
    ReadWorkers::forEachPart(shallow.size(), 1, [&](size_t begin, size_t end) {
        for (size_t i = begin; i < end; ++i) {
            const size_t c = shallow[i];
            scanChunk<true>(chars, chunkFrom(c), chunkTo(c), bases[c], childLevel, scans[c]);
        }
    });

    // Join them: absolute levels, then the lists and their children, by the
    // names of the open elements.
    std::vector<FoundList> found;
    std::vector<std::string_view> open(size_t(childLevel) + 1);
    std::vector<long> listAt(size_t(childLevel) + 1, -1); // open list per level
    for (const size_t c : shallow) {
        for (const Tag& tag : scans[c].tags) {
            const size_t l = size_t(tag.level);
            if (tag.kind == TagKind::Close) {
                if (listAt[l] >= 0) {
                    found[size_t(listAt[l])].endTag = tag.at;
                    listAt[l] = -1;
                }
                continue;
            }
            open[l] = tagName(chars, tag.at);
            if (l >= 1 && listAt[l - 1] >= 0) {
                found[size_t(listAt[l - 1])].children.push_back(tag.at);
                continue;
            }
            if (tag.kind != TagKind::Open || l == 0)
                continue;
            for (size_t p = 0; p < lists.size(); ++p) {
                const ListPath& path = lists[p];
                if (path.size() != l)
                    continue;
                bool same = true;
                for (size_t i = 0; i < l && same; ++i)
                    same = open[i + 1] == path[i];
                if (same) {
                    listAt[l] = long(found.size());
                    found.push_back({tag.at, {}, 0, p});
                    break;
                }
            }
        }
    }

    // The runs of the lists worth cutting, and the skeleton without them.
    std::vector<Span> runs;
    struct CutList {
        size_t skeletonStartTag;
        size_t path;
        size_t firstRun, endRun;
    };
    std::vector<CutList> cut;
    size_t kept = 0; // text bytes copied to the skeleton so far
    std::vector<Span> skeleton;
    for (const FoundList& list : found) {
        if (list.children.empty() || list.endTag <= list.children.front()
            || list.endTag - list.children.front() < limits.minimumList)
            continue;
        CutList c{0, list.path, runs.size(), 0};
        for (size_t i = 0; i < list.children.size();) {
            const size_t begin = list.children[i];
            size_t j = i + 1;
            while (j < list.children.size() && list.children[j] - begin < limits.runBytes)
                ++j;
            runs.push_back({begin, j < list.children.size() ? list.children[j] : list.endTag});
            i = j;
        }
        c.endRun = runs.size();
        skeleton.push_back({kept, list.children.front()});
        c.skeletonStartTag = 0;
        for (const Span& s : skeleton)
            c.skeletonStartTag += s.end - s.begin;
        c.skeletonStartTag -= list.children.front() - list.startTag;
        kept = list.endTag;
        cut.push_back(c);
    }
    if (cut.empty())
        return false;
    skeleton.push_back({kept, length});

    size_t skeletonLength = 0;
    for (const Span& s : skeleton)
        skeletonLength += s.end - s.begin;
    skeletonText_.reset(new char[skeletonLength + 1]);
    char* out = skeletonText_.get();
    for (const Span& s : skeleton) {
        std::memcpy(out, chars + s.begin, s.end - s.begin);
        out += s.end - s.begin;
    }
    *out = '\0';

    // The skeleton here; the runs when first read.
    if (!document_.load_buffer_inplace(skeletonText_.get(), skeletonLength, pugi::parse_default, pugi::encoding_auto)
        || !document_.document_element())
        return false;
    text_ = chars;
    for (const Span& span : runs) {
        auto run = std::make_unique<Run>();
        run->begin = span.begin;
        run->end = span.end;
        runs_.push_back(std::move(run));
    }

    // Each cut list must stand in the skeleton where the scan found it,
    // under the path asked for, with no element left in it.
    for (const CutList& c : cut) {
        const char* const name = skeletonText_.get() + c.skeletonStartTag + 1;
        const pugi::xml_node node = cutListNode(document_.document_element(), lists[c.path], 0, name);
        if (!node)
            return false;
        for (pugi::xml_node child = node.first_child(); child; child = child.next_sibling()) {
            if (child.type() == pugi::node_element)
                return false;
        }
        listRuns_[node.internal_object()] = {c.firstRun, c.endRun};
    }
    return true;
}

std::pair<size_t, size_t> XmlParts::runsOf(pugi::xml_node list) const
{
    const auto found = listRuns_.find(list.internal_object());
    return found == listRuns_.end() ? std::pair<size_t, size_t>(0, 0) : found->second;
}

size_t XmlParts::runBytes(size_t run) const { return runs_[run]->end - runs_[run]->begin; }

const pugi::xml_document* XmlParts::run(size_t index) const
{
    Run& r = *runs_[index];
    std::call_once(r.parsed, [&] {
        // A run is a fragment: its children, the text between them, and
        // what follows the last up to the list's end tag.
        r.ok = bool(r.doc.load_buffer(text_ + r.begin, r.end - r.begin, pugi::parse_default | pugi::parse_fragment,
                                      pugi::encoding_utf8));
        if (!r.ok)
            failed_ = true;
    });
    return r.ok ? &r.doc : nullptr;
}

const XmlParts* XmlParts::current() { return currentParts; }

XmlParts::Scope::Scope(const XmlParts* parts) : saved_(currentParts) { currentParts = parts; }

XmlParts::Scope::~Scope() { currentParts = saved_; }
