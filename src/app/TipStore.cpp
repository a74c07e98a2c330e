#include "app/TipStore.h"

TipStore& TipStore::shared()
{
    static TipStore store;
    return store;
}

bool TipStore::resetDatastore()
{
    invalidated_.clear();
    options_.clear();
    configured_ = false;
    frequency_ = DisplayFrequency::immediate;
    location_ = DatastoreLocation::applicationDefault;
    return true;
}

bool TipStore::configure(const std::vector<Option>& options)
{
    if (configured_)
        return false;
    for (const Option& option : options) {
        if (const auto* f = std::get_if<DisplayFrequency>(&option))
            frequency_ = *f;
        else if (const auto* l = std::get_if<DatastoreLocation>(&option))
            location_ = *l;
    }
    options_ = options;
    configured_ = true;
    return true;
}

void TipStore::invalidate(const Tip& tip, InvalidationReason reason)
{
    invalidated_.insert_or_assign(tip.identifier, reason);
}

bool TipStore::isInvalidated(const QString& identifier) const
{
    return invalidated_.count(identifier) != 0;
}

std::optional<TipStore::InvalidationReason> TipStore::invalidationReason(const QString& identifier) const
{
    const auto it = invalidated_.find(identifier);
    if (it == invalidated_.end())
        return std::nullopt;
    return it->second;
}
