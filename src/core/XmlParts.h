#pragma once
// A long XML text parsed on several threads. pugixml parses on one thread,
// and on a large board that parse is as long as everything read from it.
// The children of the long lists named by the caller are cut into runs, each
// parsed apart on the reading threads; the rest (the skeleton) is parsed as
// one document in which those lists stand empty. The runs are cut where a
// quick scan of the tags says a child of such a list begins, and the result
// is taken only when pugixml accepts the skeleton and every run, and each cut
// list stands, empty, where the scan found it: then the tree is the one a
// whole parse gives. Otherwise (or for a short text, or text with comments,
// processing instructions, a document type or other than UTF-8 encoding) the
// text is parsed whole, as before.

#include <QByteArray>
#include <atomic>
#include <memory>
#include <mutex>
#include <pugixml.hpp>
#include <string>
#include <unordered_map>
#include <vector>

class XmlParts {
public:
    // Names from the root's child down to a list (the root may have any
    // name), e.g. {"design", "pcb", "entities"}.
    using ListPath = std::vector<std::string>;
    // A list to cut. Its children are found by a scan of the tags down to
    // their level; or, with child named, where "<child" stands in the
    // list (for a list that lies deep in the text, whose levels are not
    // followed).
    struct List {
        ListPath path;
        std::string child;
    };

    struct Limits {
        size_t minimumText = size_t(1) << 20; // shorter texts are parsed whole
        size_t minimumList = 256 * 1024;      // bytes of a list's children worth cutting
        size_t runBytes = 32 * 1024;          // a run of children ends past this many bytes
        size_t scanChunk = 64 * 1024;         // bytes of text one thread scans at a time
    };

    // Sets the limits a parse without its own uses (tests and the fuzz
    // target lower them to cut short texts).
    static void setDefaultLimits(const Limits& limits);

    XmlParts();
    ~XmlParts();
    XmlParts(const XmlParts&) = delete;
    XmlParts& operator=(const XmlParts&) = delete;

    // Parses text, which must outlive this and stay unchanged (a text parsed
    // whole is parsed in place; runs are parsed from it when first asked
    // for). pugixml's result of the whole parse, with its reason and offset,
    // when the text is not well-formed. With split false, or when the text
    // cannot be cut, it is parsed whole.
    pugi::xml_parse_result parse(QByteArray& text, const std::vector<List>& lists, bool split = true);
    pugi::xml_parse_result parse(QByteArray& text, const std::vector<List>& lists, const Limits& limits);

    // The skeleton, or the whole document.
    pugi::xml_document& document() { return document_; }
    const pugi::xml_document& document() const { return document_; }
    // Whether the last parse cut any list into runs.
    bool split() const { return !runs_.empty(); }

    // The runs [first, end) holding the children of list after what stands
    // in it in the skeleton; empty for a list not cut.
    std::pair<size_t, size_t> runsOf(pugi::xml_node list) const;
    size_t runBytes(size_t run) const;
    // The document of a run, parsed on the first call (on any thread; runs
    // may be parsed at once); null when it does not parse, after which
    // failed() is true and what was read from the runs must be read again
    // from a whole parse.
    const pugi::xml_document* run(size_t run) const;
    bool failed() const { return failed_.load(); }

    // Parses the runs [first, end) at once on the reading threads.
    void parseRuns(size_t first, size_t end) const;

    // Calls f with each child node of list in order, wherever it was parsed.
    template <class F>
    void forEachChild(pugi::xml_node list, F&& f) const
    {
        for (pugi::xml_node child = list.first_child(); child; child = child.next_sibling())
            f(child);
        const auto [first, end] = runsOf(list);
        for (size_t r = first; r < end; ++r) {
            if (const pugi::xml_document* doc = run(r)) {
                for (pugi::xml_node child = doc->first_child(); child; child = child.next_sibling())
                    f(child);
            }
        }
    }

    // The element children named name of list, in order: through the
    // current parts (their runs parsed at once) when there are any.
    static std::vector<pugi::xml_node> childElements(pugi::xml_node list, const char* name);

    // The parts being read on this thread: set by a Scope around the reading
    // of the document (and on the threads that read parts of it); readers of
    // the lists ask it for their children.
    static const XmlParts* current();
    class Scope {
    public:
        explicit Scope(const XmlParts* parts);
        ~Scope();
        Scope(const Scope&) = delete;
        Scope& operator=(const Scope&) = delete;

    private:
        const XmlParts* saved_;
    };

private:
    struct Hole;
    struct Piece;
    struct Run;
    bool parsePiece(Piece& piece, pugi::xml_document& doc, unsigned options, pugi::xml_encoding encoding,
                    std::unique_ptr<char[]>& buffer) const;
    bool parseSplit(const QByteArray& text, const std::vector<List>& lists, const Limits& limits);
    void clear();

    pugi::xml_document document_;
    const char* text_ = nullptr;
    std::unique_ptr<char[]> skeletonText_;
    std::vector<std::unique_ptr<Run>> runs_;
    mutable std::atomic<bool> failed_{false};
    // For each cut list (by its node), its runs [first, end); lists in runs
    // are added as the runs are parsed.
    mutable std::mutex listsLock_;
    mutable std::unordered_map<const void*, std::pair<size_t, size_t>> listRuns_;
};
