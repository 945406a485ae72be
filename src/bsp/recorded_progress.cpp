#include "bsp/recorded_progress.h"

#include <limits>
#include <type_traits>

namespace norvane {
namespace {

template <typename T> bool fits32(T value) {
    if constexpr (std::is_signed_v<T>)
        if (value < 0) return false;
    return static_cast<std::uint64_t>(value) <= std::numeric_limits<std::uint32_t>::max();
}

} // namespace

void RecordedProgress::record(Kind kind, NodeStep step, const NodeState& state) {
    if (fits32(pending_) && fits32(state.faces) && fits32(state.facesPlaced) && fits32(state.faceTotal) &&
        state.level >= 0) {
        events_.push_back(Event{kind, step, false, state.level, static_cast<std::uint32_t>(pending_),
                                static_cast<std::uint32_t>(state.faces), static_cast<std::uint32_t>(state.facesPlaced),
                                static_cast<std::uint32_t>(state.faceTotal)});
    } else {
        events_.push_back(Event{kind, step, true, static_cast<std::int32_t>(wide_.size()), 0, 0, 0, 0});
        wide_.push_back(WideEvent{pending_, state});
    }
    pending_ = 0;
}

void RecordedProgress::replay(CompileProgress& to, std::int64_t placedBefore, std::int64_t totalBefore) const {
    for (const Event& e : events_) {
        std::size_t work = e.work;
        NodeState state{e.level, e.faces, e.facesPlaced, e.faceTotal};
        if (e.wide) {
            const WideEvent& w = wide_[static_cast<std::size_t>(e.level)];
            work = w.work;
            state = w.state;
        }
        if (work > 0) to.worked(work);
        if (e.kind == Kind::CutFailed) {
            to.cutFailed();
            continue;
        }
        state.facesPlaced += placedBefore;
        state.faceTotal += totalBefore;
        to.nodeStep(e.step, state);
    }
    if (pending_ > 0) to.worked(pending_);
}

} // namespace norvane
