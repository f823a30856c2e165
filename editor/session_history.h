#pragma once

#include "document/map_document.h"
#include "document/map_step.h"

#include <cstddef>
#include <cstdint>
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
    // Whether the map differs from the state last marked clean (opened or saved).
    bool modified() const { return position_ != clean_; }
    void markClean() { clean_ = position_; }
    std::size_t undoSteps() const { return undo_.size(); }
    // What the steps keep in memory, about.
    std::size_t bytes() const;

private:
    std::size_t limit_;
    MapDocument recorded_; // the map as the last step left it
    std::deque<MapStep> undo_, redo_;
    // Steps from the reset, undone ones counted off; a clean state that a new change made
    // unreachable is never met again.
    std::int64_t position_ = 0, clean_ = 0;
    static constexpr std::int64_t kNever = -(std::int64_t{1} << 62);
};

} // namespace grivendale
