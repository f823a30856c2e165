#include "editor/session_history.h"

namespace grivendale {

void SessionHistory::reset(const MapDocument& doc) {
    recorded_ = doc;
    undo_.clear();
    redo_.clear();
    position_ = clean_ = 0;
}

bool SessionHistory::record(const MapDocument& doc) {
    MapStep step = diffMaps(recorded_, doc);
    if (step.empty())
        return false;
    undo_.push_back(std::move(step));
    if (clean_ > position_)
        clean_ = kNever; // it lay among the steps to redo, dropped now
    ++position_;
    if (undo_.size() > limit_)
        undo_.pop_front(); // its additions stay in the map's own history
    redo_.clear();
    recorded_ = doc;
    return true;
}

bool SessionHistory::undo(MapDocument& doc) {
    record(doc); // a change not yet recorded is the first to go
    if (undo_.empty()) {
        // Nothing of the session is left: the map's own history takes back its last addition,
        // and that too can be redone.
        doc.Undo();
        // Kept the way round of every other step: redo goes from the undone map to the map
        // before the undo.
        MapStep step = diffMaps(doc, recorded_);
        if (step.empty())
            return false;
        redo_.push_back(std::move(step));
        recorded_ = doc;
        --position_;
        return true;
    }
    applyStep(doc, undo_.back(), false);
    redo_.push_back(std::move(undo_.back()));
    undo_.pop_back();
    recorded_ = doc;
    --position_;
    return true;
}

bool SessionHistory::redo(MapDocument& doc) {
    record(doc);
    if (redo_.empty())
        return false;
    applyStep(doc, redo_.back(), true);
    undo_.push_back(std::move(redo_.back()));
    redo_.pop_back();
    recorded_ = doc;
    ++position_;
    return true;
}

std::size_t SessionHistory::bytes() const {
    std::size_t total = 0;
    for (const auto* steps : {&undo_, &redo_}) {
        for (const MapStep& step : *steps)
            total += step.bytes();
    }
    return total;
}

} // namespace grivendale
