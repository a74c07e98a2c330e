#include "core/XmlParts.h"

#include "core/ReadWorkers.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#include <mutex>
#include <limits>
#include <string_view>

namespace {

thread_local const XmlParts* currentParts = nullptr;
XmlParts::Limits limitsInUse;

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
    bool overflowed = false; // kept too many tags to keep them all
};

// Of a chunk's first scan, tags kept at most (a chunk deep in a pour holds
// thousands of tags none of which is kept in the end).
constexpr size_t kTagsKeptPerChunk = 1024;

bool isNameEnd(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '/' || c == '>' || c == '\0'; }

std::string_view tagName(const char* text, size_t length, size_t at)
{
    const char* const end = text + length;
    const char* p = text + at + 1;
    if (p < end && *p == '/')
        ++p;
    const char* q = p;
    while (q < end && !isNameEnd(*q))
        ++q;
    return std::string_view(p, size_t(q - p));
}

// The first byte of [p, end) that is a, b, c or NUL, or end: sixteen at a
// time while they lie before end.
inline const char* findAny(const char* p, const char* end, char a, char b, char c)
{
#if defined(__SSE2__)
    const __m128i va = _mm_set1_epi8(a), vb = _mm_set1_epi8(b), vc = _mm_set1_epi8(c), zero = _mm_setzero_si128();
    while (end - p >= 16) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
        const __m128i hit = _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(v, va), _mm_cmpeq_epi8(v, vb)),
                                         _mm_or_si128(_mm_cmpeq_epi8(v, vc), _mm_cmpeq_epi8(v, zero)));
        if (const int mask = _mm_movemask_epi8(hit))
            return p + __builtin_ctz(unsigned(mask));
        p += 16;
    }
#endif
    while (p < end && *p != a && *p != b && *p != c && *p != '\0')
        ++p;
    return p;
}

// The end of the start tag whose name begins at p: its '>', past quoted
// values (which may hold '>'); null at the text's end or a NUL (which a
// whole parse would refuse).
inline const char* startTagEnd(const char* p, const char* end)
{
    for (;;) {
        p = findAny(p, end, '>', '"', '\'');
        if (p == end || *p == '\0')
            return nullptr;
        if (*p == '>')
            return p;
        const char quote = *p;
        p = findAny(p + 1, end, quote, quote, quote);
        if (p == end || *p == '\0')
            return nullptr;
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

// The tags whose '<' lies in [from, to) of the text, the first at
// level base. Counts the chunk's depth change and shallowest level, and
// keeps the tags at levels up to keptLevel: when Known, base is the chunk's
// own level; else it is 0 and a tag may lie keptLevel below the shallowest
// level so far (the chunk's own level is not known yet, but none is
// negative), and past kTagsKeptPerChunk tags none is kept. Fails at anything
// but start and end tags (a comment or processing instruction could hold
// what looks like a tag) and at a NUL before the end.
template <bool Known>
void scanChunk(const char* text, size_t length, size_t from, size_t to, int base, int keptLevel, ChunkScan& out)
{
    out.tags.clear();
    if (!Known && std::memchr(text + from, '\0', to - from)) {
        out.ok = false;
        return;
    }
    const char* p = text + from;
    const char* const stop = text + to;
    const char* const textEnd = text + length;
    int depth = base, minimum = std::numeric_limits<int>::max();
    while ((p = nextTag(p, stop))) {
        if (p + 1 >= textEnd) {
            out.ok = false;
            return;
        }
        const char next = p[1];
        const char* const at = p;
        int level;
        TagKind kind;
        if (next == '/') {
            const char* end = findAny(p + 2, textEnd, '>', '>', '>');
            if (end == textEnd || *end != '>') {
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
            const char* end = startTagEnd(p + 1, textEnd);
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
        if (Known ? level <= keptLevel : !out.overflowed && level <= minimum + keptLevel) {
            out.tags.push_back({size_t(at - text), level, kind});
            if (!Known && out.tags.size() > kTagsKeptPerChunk) {
                out.overflowed = true;
                out.tags = {};
            }
        }
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

// The elements down to depth below node, by where their names lie.
void elementsByName(pugi::xml_node node, size_t depth, std::unordered_map<const char*, pugi::xml_node>& byName)
{
    if (depth == 0)
        return;
    for (pugi::xml_node child = node.first_child(); child; child = child.next_sibling()) {
        if (child.type() == pugi::node_element) {
            byName.emplace(child.name(), child);
            elementsByName(child, depth - 1, byName);
        }
    }
}

// Whether node lies under top by path.
bool liesAt(pugi::xml_node node, pugi::xml_node top, const XmlParts::ListPath& path)
{
    for (auto step = path.rbegin(); step != path.rend(); ++step) {
        if (*step != node.name())
            return false;
        node = node.parent();
    }
    return node == top;
}

} // namespace

struct XmlParts::Hole {
    size_t startTag;     // the list's start tag in the text
    size_t begin, end;   // its children, cut out
    size_t firstRun, endRun;
    ListPath path;       // to the list from the piece's top
};

struct XmlParts::Piece {
    size_t begin = 0, end = 0;
    std::vector<Hole> holes;
};

struct XmlParts::Run {
    size_t begin, end;
    Piece piece;
    std::once_flag parsed;
    std::unique_ptr<char[]> buffer;
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

void XmlParts::setDefaultLimits(const Limits& limits) { limitsInUse = limits; }

pugi::xml_parse_result XmlParts::parse(QByteArray& text, const std::vector<List>& lists, bool split)
{
    Limits limits = limitsInUse;
    if (!split)
        limits.minimumText = std::numeric_limits<size_t>::max();
    return parse(text, lists, limits);
}

pugi::xml_parse_result XmlParts::parse(QByteArray& text, const std::vector<List>& lists, const Limits& limits)
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

bool XmlParts::parseSplit(const QByteArray& text, const std::vector<List>& lists, const Limits& limits)
{
    const size_t first = prologEnd(text);
    if (first == std::string::npos || lists.empty())
        return false;
    // Levels down to the lists' children are followed (to a list of named
    // children, its own level).
    int keptLevel = 0;
    for (const List& list : lists) {
        if (list.path.empty())
            return false;
        keptLevel = std::max(keptLevel, int(list.path.size()) + (list.child.empty() ? 1 : 0));
    }
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
            scanChunk<false>(chars, length, chunkFrom(c), chunkTo(c), 0, keptLevel, scans[c]);
            if (!scans[c].ok)
                failed = true;
        }
    });
    if (failed)
        return false;
    // Each chunk's first level; then the chunks that reach the lists' levels
    // and kept too many tags are scanned again for their shallow ones.
    std::vector<int> bases(chunks);
    std::vector<size_t> shallow, rescan;
    int depth = 0;
    for (size_t c = 0; c < chunks; ++c) {
        if (scans[c].minimumLevel != std::numeric_limits<int>::max() && depth + scans[c].minimumLevel < 0)
            return false;
        bases[c] = depth;
        if (scans[c].minimumLevel != std::numeric_limits<int>::max() && depth + scans[c].minimumLevel <= keptLevel) {
            if (scans[c].overflowed) {
                rescan.push_back(c);
            } else {
                for (Tag& tag : scans[c].tags)
                    tag.level += depth;
            }
            shallow.push_back(c);
        }
        depth += scans[c].delta;
    }
    if (depth != 0)
        return false;
    ReadWorkers::forEachPart(rescan.size(), 1, [&](size_t begin, size_t end) {
        for (size_t i = begin; i < end; ++i) {
            const size_t c = rescan[i];
            scanChunk<true>(chars, length, chunkFrom(c), chunkTo(c), bases[c], keptLevel, scans[c]);
        }
    });

    // Join them: absolute levels, then the lists and their children, by the
    // names of the open elements.
    std::vector<FoundList> found;
    std::vector<std::string_view> open(size_t(keptLevel) + 1);
    std::vector<long> listAt(size_t(keptLevel) + 1, -1); // open list per level
    std::vector<Tag> tags;
    for (const size_t c : shallow) {
        for (const Tag& tag : scans[c].tags) {
            if (tag.level <= keptLevel)
                tags.push_back(tag);
        }
    }
    std::vector<size_t> startIndex; // of each found list's start tag in tags
    for (size_t t = 0; t < tags.size(); ++t) {
        const Tag& tag = tags[t];
        const size_t l = size_t(tag.level);
        if (tag.kind == TagKind::Close) {
            if (listAt[l] >= 0) {
                found[size_t(listAt[l])].endTag = tag.at;
                listAt[l] = -1;
            }
            continue;
        }
        open[l] = tagName(chars, length, tag.at);
        if (l >= 1 && listAt[l - 1] >= 0) {
            found[size_t(listAt[l - 1])].children.push_back(tag.at);
            continue;
        }
        if (tag.kind != TagKind::Open || l == 0)
            continue;
        for (size_t p = 0; p < lists.size(); ++p) {
            const ListPath& path = lists[p].path;
            if (path.size() != l)
                continue;
            bool same = true;
            for (size_t i = 0; i < l && same; ++i)
                same = open[i + 1] == path[i];
            if (same) {
                // A list whose children are named is not followed below
                // its own level: they are found by name below.
                if (lists[p].child.empty())
                    listAt[l] = long(found.size());
                found.push_back({tag.at, {}, 0, p});
                startIndex.push_back(t);
                break;
            }
        }
    }
    for (size_t i = 0; i < found.size(); ++i) {
        FoundList& list = found[i];
        const std::string& child = lists[list.path].child;
        if (child.empty())
            continue;
        // Its end is the next tag the scan kept: nothing below its level was.
        const size_t next = startIndex[i] + 1;
        if (next >= tags.size() || tags[next].kind != TagKind::Close
            || size_t(tags[next].level) != lists[list.path].path.size())
            continue;
        list.endTag = tags[next].at;
        const std::string needle = "<" + child;
        for (size_t from = list.startTag + 1; from < list.endTag;) {
            const char* at = static_cast<const char*>(
                memmem(chars + from, list.endTag - from, needle.data(), needle.size()));
            if (!at)
                break;
            const size_t position = size_t(at - chars);
            if (isNameEnd(at[needle.size()]) && at[needle.size()] != '\0') {
                list.children.push_back(position);
                from = position + std::max<size_t>(limits.runBytes, 1);
            } else {
                from = position + 1;
            }
        }
    }

    // The lists worth cutting, in the order of the text: each lies in the
    // skeleton or in a run of a list cut before it.
    struct CutList {
        size_t found;
        size_t piece;      // 0 the skeleton, else run piece - 1
        size_t firstRun, endRun;
    };
    std::vector<CutList> cut;
    std::vector<Span> runs;
    for (size_t f = 0; f < found.size(); ++f) {
        const FoundList& list = found[f];
        if (list.children.empty() || list.endTag <= list.children.front()
            || list.endTag - list.children.front() < limits.minimumList)
            continue;
        size_t piece = 0;
        for (size_t r = 0; r < runs.size(); ++r) {
            if (runs[r].begin <= list.startTag && list.startTag < runs[r].end)
                piece = r + 1;
        }
        CutList c{f, piece, runs.size(), 0};
        for (size_t i = 0; i < list.children.size();) {
            const size_t begin = list.children[i];
            size_t j = i + 1;
            while (j < list.children.size() && list.children[j] - begin < limits.runBytes)
                ++j;
            runs.push_back({begin, j < list.children.size() ? list.children[j] : list.endTag});
            i = j;
        }
        c.endRun = runs.size();
        cut.push_back(c);
    }
    if (cut.empty())
        return false;

    // Each piece: its span of the text less the cut lists' children in it.
    text_ = chars;
    runs_.clear();
    for (const Span& span : runs) {
        auto run = std::make_unique<Run>();
        run->begin = span.begin;
        run->end = span.end;
        run->piece.begin = span.begin;
        run->piece.end = span.end;
        runs_.push_back(std::move(run));
    }
    Piece skeleton;
    skeleton.begin = 0;
    skeleton.end = length;
    for (const CutList& c : cut) {
        const FoundList& list = found[c.found];
        Piece& piece = c.piece == 0 ? skeleton : runs_[c.piece - 1]->piece;
        Hole hole;
        hole.startTag = list.startTag;
        hole.begin = list.children.front();
        hole.end = list.endTag;
        hole.firstRun = c.firstRun;
        hole.endRun = c.endRun;
        const ListPath& path = lists[list.path].path;
        hole.path.assign(path.begin(), path.end());
        if (c.piece != 0) {
            // Below the list whose run holds it.
            const CutList* holder = nullptr;
            for (const CutList& h : cut) {
                if (c.piece - 1 >= h.firstRun && c.piece - 1 < h.endRun)
                    holder = &h;
            }
            const ListPath& outer = lists[found[holder->found].path].path;
            if (outer.size() >= path.size() || !std::equal(outer.begin(), outer.end(), path.begin()))
                return false;
            hole.path.erase(hole.path.begin(), hole.path.begin() + long(outer.size()));
        }
        piece.holes.push_back(std::move(hole));
    }
    if (!parsePiece(skeleton, document_, pugi::parse_default, pugi::encoding_auto, skeletonText_)
        || !document_.document_element())
        return false;
    return true;
}

// Copies the piece's text less its holes when it has any, parses it, and
// checks that each hole's list stands in it, empty, where it was cut.
bool XmlParts::parsePiece(Piece& piece, pugi::xml_document& doc, unsigned options, pugi::xml_encoding encoding,
                          std::unique_ptr<char[]>& buffer) const
{
    if (piece.holes.empty())
        return bool(doc.load_buffer(text_ + piece.begin, piece.end - piece.begin, options, encoding));
    size_t length = piece.end - piece.begin;
    for (const Hole& hole : piece.holes)
        length -= hole.end - hole.begin;
    buffer.reset(new char[length + 1]);
    char* out = buffer.get();
    size_t from = piece.begin;
    std::vector<size_t> names;
    for (const Hole& hole : piece.holes) {
        names.push_back(size_t(out - buffer.get()) + (hole.startTag - from) + 1);
        std::memcpy(out, text_ + from, hole.begin - from);
        out += hole.begin - from;
        from = hole.end;
    }
    std::memcpy(out, text_ + from, piece.end - from);
    out += piece.end - from;
    *out = '\0';
    // pugixml takes the last byte it is given for the end: a run's text ends
    // with its list's text (up to the list's end tag), which its NUL ends
    // here as the end tag does in the whole text. The skeleton ends as the
    // whole text does.
    const bool run = &doc != &document_;
    if (!doc.load_buffer_inplace(buffer.get(), length + (run ? 1 : 0), options, encoding))
        return false;
    // The holes' lists, found in one walk however many there are.
    const pugi::xml_node top = run ? pugi::xml_node(doc) : doc.document_element();
    size_t depth = 0;
    for (const Hole& hole : piece.holes)
        depth = std::max(depth, hole.path.size());
    std::unordered_map<const char*, pugi::xml_node> byName;
    elementsByName(top, depth, byName);
    for (size_t h = 0; h < piece.holes.size(); ++h) {
        const Hole& hole = piece.holes[h];
        const auto found = byName.find(buffer.get() + names[h]);
        if (found == byName.end() || !liesAt(found->second, top, hole.path))
            return false;
        const pugi::xml_node node = found->second;
        for (pugi::xml_node child = node.first_child(); child; child = child.next_sibling()) {
            if (child.type() == pugi::node_element)
                return false;
        }
        const std::lock_guard lock(listsLock_);
        listRuns_[node.internal_object()] = {hole.firstRun, hole.endRun};
    }
    return true;
}

std::pair<size_t, size_t> XmlParts::runsOf(pugi::xml_node list) const
{
    const std::lock_guard lock(listsLock_);
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
        r.ok = parsePiece(r.piece, r.doc, pugi::parse_default | pugi::parse_fragment, pugi::encoding_utf8, r.buffer);
        if (!r.ok)
            failed_ = true;
    });
    return r.ok ? &r.doc : nullptr;
}

void XmlParts::parseRuns(size_t first, size_t end) const
{
    ReadWorkers::forEachPart(end - first, 1, [&](size_t begin, size_t stop) {
        for (size_t r = begin; r < stop; ++r)
            run(first + r);
    });
}

std::vector<pugi::xml_node> XmlParts::childElements(pugi::xml_node list, const char* name)
{
    std::vector<pugi::xml_node> children;
    const auto take = [&](pugi::xml_node parent) {
        for (pugi::xml_node child = parent.child(name); child; child = child.next_sibling(name))
            children.push_back(child);
    };
    take(list);
    if (const XmlParts* parts = current()) {
        const auto [first, end] = parts->runsOf(list);
        parts->parseRuns(first, end);
        for (size_t r = first; r < end; ++r) {
            if (const pugi::xml_document* doc = parts->run(r))
                take(*doc);
        }
    }
    return children;
}

const XmlParts* XmlParts::current() { return currentParts; }

XmlParts::Scope::Scope(const XmlParts* parts) : saved_(currentParts) { currentParts = parts; }

XmlParts::Scope::~Scope() { currentParts = saved_; }
