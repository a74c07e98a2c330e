#pragma once
// Base of every object on a sheet.

#include "core/Geometry.h"
#include "core/Values.h"
#include "model/QelAttributes.h"
#include "model/SelectionFlag.h"

#include <QColor>
#include <QSharedData>
#include <QString>
#include <QTransform>
#include <memory>
#include <optional>
#include <pugixml.hpp>
#include <string>

class Graphics;
class GraphicsSheet;
class EntityList;
class QWidget;
class IEntityHolder;
class Pen;
class Brush;
class ITerminalPadLink;

// An optional placement that reads as a std::optional<QTransform> but holds
// only a pointer to an immutable value, shared by equal placements: a board's
// pads share their footprint's net transform, and most entities have no
// placement of their own. Assigning replaces the value of this holder only.
class SharedTransform {
public:
    SharedTransform() = default;
    SharedTransform(const std::optional<QTransform>& t) { *this = t; }
    SharedTransform& operator=(const std::optional<QTransform>& t);
    SharedTransform& operator=(const QTransform& t) { return *this = std::optional<QTransform>(t); }
    SharedTransform& operator=(std::nullopt_t)
    {
        d_.reset();
        return *this;
    }

    operator const std::optional<QTransform>&() const { return get(); }
    const std::optional<QTransform>& get() const { return d_ ? d_->value : none(); }
    explicit operator bool() const { return bool(d_); }
    bool has_value() const { return bool(d_); }
    const QTransform& operator*() const { return *d_->value; }
    const QTransform* operator->() const { return &*d_->value; }
    const QTransform& value() const { return get().value(); }
    QTransform value_or(const QTransform& t) const { return d_ ? *d_->value : t; }
    void reset() { d_.reset(); }
    // Lets a value read out of this one and assigned on this thread soon
    // after take this one's block (known by its address), not a copy.
    void offer() const;

    friend bool operator==(const SharedTransform& a, const std::optional<QTransform>& b) { return a.get() == b; }
    friend bool operator==(const SharedTransform& a, const SharedTransform& b) { return a.get() == b.get(); }
    friend bool operator==(const SharedTransform& a, const QTransform& b) { return a.get() == b; }
    friend bool operator==(const SharedTransform& a, std::nullopt_t) { return !a.d_; }

private:
    struct Block : QSharedData {
        std::optional<QTransform> value; // always set
    };
    static const std::optional<QTransform>& none();
    // Blocks lately offered on this thread, held so that a value read out of
    // one of them is known by its address (a held block's value is nobody
    // else's): a holder's children are given the holder's value.
    struct Offered {
        QExplicitlySharedDataPointer<Block> blocks[4];
        int next = 0;
    };
    static Offered& offered();
    QExplicitlySharedDataPointer<Block> d_;
};

// The text, sharing the storage of an equal short text read before on this
// thread: names such as pad numbers and package words repeat thousands of
// times on a board.
QString sharedText(const QString& text);

// An element name as entities keep it: one pointer to a string that lives
// for the process, shared by every entity of a kind. Reads as a QString.
class ElementName {
public:
    ElementName() = default;
    // Keeps an equal string of its own pool.
    ElementName& operator=(const QString& name);
    // Keeps the string itself, which must live for the process.
    void shareStable(const QString& name) { name_ = &name; }

    const QString& toString() const { return name_ ? *name_ : empty(); }
    operator const QString&() const { return toString(); }
    bool isEmpty() const { return toString().isEmpty(); }

    friend bool operator==(const ElementName& a, const ElementName& b) { return a.toString() == b.toString(); }
    friend bool operator==(const ElementName& a, const QString& b) { return a.toString() == b; }
    friend bool operator==(const ElementName& a, const char* b) { return a.toString() == QString::fromUtf8(b); }

private:
    static const QString& empty();
    const QString* name_ = nullptr;
};

// A text held by one pointer, none while empty (most entities carry no
// identifier, most pads no signal). Reads as a QString; copies share the
// text, and assigning replaces the text of this holder only.
class CompactText {
public:
    CompactText() = default;
    CompactText(const QString& text) { *this = text; }
    CompactText& operator=(const QString& text);
    // The text, sharing the holder of an equal one given lately on this
    // thread: signal names and prefixes come in runs.
    static CompactText shared(const QString& text);

    const QString& toString() const { return d_ ? d_->text : empty(); }
    operator const QString&() const { return toString(); }
    bool isEmpty() const { return !d_; }
    std::string toStdString() const { return toString().toStdString(); }

    friend bool operator==(const CompactText& a, const CompactText& b) { return a.toString() == b.toString(); }
    friend bool operator==(const CompactText& a, const QString& b) { return a.toString() == b; }
    friend bool operator==(const CompactText& a, const char* b) { return a.toString() == QString::fromUtf8(b); }

private:
    struct Block : QSharedData {
        QString text; // never empty
    };
    static const QString& empty();
    QExplicitlySharedDataPointer<const Block> d_;
};

// What an entity's pad and hole passes (its own and its children's, as the
// lists run them) can draw, as the last measure found it, in sheet
// coordinates: within each box grown by margin device pixels (an empty box:
// nothing at all). Unknown for most kinds: the passes then always visit the
// entity.
struct PassReach {
    bool known = false;
    BoundingBox pad;
    BoundingBox hole;
    double margin = 0;
};

class Entity {
public:
    explicit Entity(GraphicsSheet* sheet);
    virtual ~Entity();
    Entity(const Entity&) = delete;
    Entity& operator=(const Entity&) = delete;

    BoundingBox boundingBox;
    GraphicsSheet* sheet = nullptr; // not owned
    SharedTransform netTransform;
    CompactText identifier;
    SelectionFlag selected;
    bool userCannotSelect = false;
    bool locked = false;
    // Whether the entity may draw where no box holds it (measuredInk is then
    // invalid): something it draws has no finite extent, or its ink was not
    // measured since its last geometry pass. Lines spanning whatever view
    // they are drawn in (guides, its own or its children's) do not count:
    // they lie in every view, never far off; see holdsGuides.
    bool inkUnbounded = true;
    // Whether it, or an entity it holds, spans whatever view it is drawn in
    // (see spansEveryView): it is never culled, while measuredInk holds the
    // rest of its ink.
    bool holdsGuides = false;

protected:
    // A flag of the entity's own kind, kept here where it fills what would
    // be padding (boards hold tens of thousands of entities).
    bool kindFlag_ = false;

public:
    int layerIndex = 0;
    // Where everything the entity draws lies, in sheet coordinates: its own
    // drawing, its box (the selection frame) and, for a holder, its
    // children's ink, as the geometry pass of its list measured by running
    // the drawing itself (EntityList::measureInk). The box every pass culls
    // it by; invalid when unbounded, or when it has no box and draws nothing.
    BoundingBox measuredInk;
    SharedTransform singleLevelTransform;
    QelAttributes attributes;

    // "identifier", "userCannotSelect", "locked", "layer", the matrix
    // attributes and the user attributes. Subclasses call it first.
    virtual void readXML(pugi::xml_node element);
    // The selection frame when selected (unless the sheet draws the frames
    // on top, see Graphics::selectionFramesOnTop).
    virtual void draw(Graphics& g) const;
    // The red hairline around the bounding box, in the current transform;
    // nothing for an empty box.
    void drawSelectionFrame(Graphics& g) const;
    // Whether a selected entity is framed: one that draws nothing at all in
    // its present state shows no frame either.
    virtual bool showsSelectionFrame() const { return true; }
    virtual void drawPadPass(Graphics& g) const;
    virtual void drawHolePass(Graphics& g, const QColor& color) const;
    // Net transform, fresh box, calculateBoundingBox, then the box's corners
    // into parentBox when valid. Boxes are in sheet coordinates.
    virtual void updateGeometry(const std::optional<QTransform>& parentTransform, BoundingBox* parentBox);
    // netTransform = singleLevelTransform * parentTransform (own applied
    // first); either may be absent.
    void computeNetTransform(const std::optional<QTransform>& parentTransform);
    virtual void calculateBoundingBox();
    // The reach of the pad and hole passes, as of the last geometry pass.
    virtual PassReach passReach() { return {}; }
    // Whether what it draws spans whatever view it is drawn in, wherever
    // that is (a guide's line): its ink has no bound, yet lies in the view.
    virtual bool spansEveryView() const { return false; }
    // A new property editor for this entity (the caller owns it), or none.
    // The editor keeps the entity alive through `self`, the pointer that owns
    // this entity (entities keep no pointer to themselves: boards hold tens
    // of thousands). Call editorFor() rather than this.
    virtual QWidget* editorView(const std::shared_ptr<Entity>& self);
    virtual QString typeName() const;

    // Capabilities; none by default. Cheaper than dynamic_cast on hot paths.
    virtual IEntityHolder* holder() { return nullptr; }
    virtual const IEntityHolder* holder() const { return nullptr; }
    virtual Pen* entityPen() { return nullptr; }
    virtual Brush* entityBrush() { return nullptr; }
    // The pad and terminal sides of the pass that names terminals after
    // their pads (see SymbolPadNameSetter). A pad gives its identity and
    // name as values (a pointer to an interface of its own would cost every
    // pad of a board a second table pointer).
    struct PadIdentity {
        Id id;
        QString name;
    };
    virtual std::optional<PadIdentity> padIdentity() const { return std::nullopt; }
    virtual ITerminalPadLink* terminalPadLinkCapability() { return nullptr; }

    // The element name the entity was made from (kept for tools and tests).
    ElementName elementName;
};

// The entity's property editor (the caller owns it), or none for no entity.
QWidget* editorFor(const std::shared_ptr<Entity>& entity);

// Capability of an entity that owns a child list. An entity adopting it also
// overrides Entity::holder() to return itself.
class IEntityHolder {
public:
    virtual ~IEntityHolder() = default;
    // By default: nothing for an empty list, else childTransform pushed on the
    // graphics, the child list's pass, and the transform popped. A holder's
    // own drawPadPass/drawHolePass may forward to its children as well; the
    // list still visits each child once per pass.
    virtual void drawChildrenPadPass(Graphics& g) const;
    virtual void drawChildrenHolePass(Graphics& g, const QColor& color) const;
    virtual EntityList& entities() = 0;
    virtual const EntityList& entities() const = 0;
    // The transform pushed while drawing the children.
    virtual const std::optional<QTransform>& childTransform() const = 0;
};

// Capabilities through which editors reach an entity's pen, brush and
// extrusion values. An entity adopting IPen or IBrush also overrides
// entityPen()/entityBrush(). The two are markers only, without a table of
// their own, so that they add no bytes to the entities that carry them.
class IPen {
};
class IBrush {
};
class IExtrudable {
public:
    virtual ~IExtrudable() = default;
    virtual double* extrusionBasePtr() = 0;
    virtual double* extrusionHeightPtr() = 0;
};
