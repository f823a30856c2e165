#pragma once

#include "document/map_document.h"
#include "document/map_step.h"

#include <cstddef>
#include <deque>

// Undo and redo of every change made to the map in this session. The window records the map
// whenever a change is complete (a drag once its button is released), and each record that
// differs from the last one becomes a step. When no step of the session is left, undo falls
// back on the map's own history of additions, as it always did; that undo can be redone too.

namespace grivendale {

class SessionHistory {
public:
    static constexpr std::size_t kDefaultLimit = 200;

    explicit SessionHistory(std::size_t limit = kDefaultLimit) : limit_(limit) {}

    // The map as it is now starts a session with nothing to undo or redo (a map just opened).
    void reset(const MapDocument& doc);
    // What changed since the last record becomes one step, and the redo steps are dropped.
    // True when something had changed.
    bool record(const MapDocument& doc);
    // Each returns true when the map changed.
    bool undo(MapDocument& doc);
    bool redo(MapDocument& doc);

    bool canRedo() const { return !redo_.empty(); }
    std::size_t undoSteps() const { return undo_.size(); }
    // What the steps keep in memory, about.
    std::size_t bytes() const;

private:
    std::size_t limit_;
    MapDocument recorded_; // the map as the last step left it
    std::deque<MapStep> undo_, redo_;
};

} // namespace grivendale
