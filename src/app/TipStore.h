#pragma once
// A small in-memory tip store: tips can be invalidated, and the store is
// reset and configured at start-up so that no tip state outlives a run.

#include <QString>

#include <map>
#include <optional>
#include <variant>
#include <vector>

// A tip shown next to a control: what it says and the identifier under
// which the store keeps its state.
struct Tip {
    QString identifier;
    QString title;
    QString message;
    QString image;
};

// The tip of the grid toggle.
struct ShowGridTooltip : Tip {
    ShowGridTooltip()
        : Tip{QStringLiteral("ShowGridTooltip"), QStringLiteral("Grid"),
              QStringLiteral("Click to show/hide the current grid"), QStringLiteral("Grid")}
    {
    }
};

class TipStore {
public:
    enum class DisplayFrequency { immediate, hourly, daily, weekly, monthly };
    enum class DatastoreLocation { applicationDefault };
    enum class InvalidationReason { actionPerformed, displayCountExceeded, tipClosed };
    using Option = std::variant<DisplayFrequency, DatastoreLocation>;

    // The one store of the process.
    static TipStore& shared();

    // Forgets every tip's state and the configuration. Never fails.
    bool resetDatastore();
    // Applies the options. Fails (returns false, changing nothing) when the
    // store is configured already; a reset allows configuring again.
    bool configure(const std::vector<Option>& options);

    // Marks the tip as done with; it will not be shown again in this run.
    void invalidate(const Tip& tip, InvalidationReason reason);
    bool isInvalidated(const QString& identifier) const;
    std::optional<InvalidationReason> invalidationReason(const QString& identifier) const;

    bool isConfigured() const { return configured_; }
    DisplayFrequency displayFrequency() const { return frequency_; }
    DatastoreLocation datastoreLocation() const { return location_; }
    // Every option passed to the last successful configure, in order.
    const std::vector<Option>& options() const { return options_; }

private:
    bool configured_ = false;
    DisplayFrequency frequency_ = DisplayFrequency::immediate;
    DatastoreLocation location_ = DatastoreLocation::applicationDefault;
    std::vector<Option> options_;
    std::map<QString, InvalidationReason> invalidated_;
};
