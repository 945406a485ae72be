// The progress of a subtree built ahead on a worker, kept to be replayed in the build's order
// once the subtree is spliced in: its node steps with its own counters, the work units done
// before each (adjacent ones summed, which the spinner cannot tell apart) and failed cuts.
// A large subtree records tens of thousands of steps, so each is kept in 24 bytes; a value
// that does not fit 32 bits keeps its step whole on the side.
#pragma once

#include <cstdint>
#include <vector>

#include "norvane/compile.h"

namespace norvane {

class RecordedProgress final : public CompileProgress {
  public:
    void nodeStep(NodeStep step, const NodeState& state) override { record(Kind::Step, step, state); }
    void worked(std::size_t units) override { pending_ += units; }
    void cutFailed() override { record(Kind::CutFailed, NodeStep::Enter, NodeState{}); }

    // Reports it all to `to`, the faces placed and the faces in all moved on by what the build
    // had placed and cut before the subtree.
    void replay(CompileProgress& to, std::int64_t placedBefore, std::int64_t totalBefore) const;

  private:
    enum class Kind : std::uint8_t { Step, CutFailed };
    struct Event {
        Kind kind;
        NodeStep step;
        bool wide;          // the work and state are in wide_[level]
        std::int32_t level; // the state's, or the index into wide_
        std::uint32_t work; // units done since the event before
        std::uint32_t faces, facesPlaced, faceTotal;
    };
    struct WideEvent {
        std::size_t work;
        NodeState state;
    };

    void record(Kind kind, NodeStep step, const NodeState& state);

    std::vector<Event> events_;
    std::vector<WideEvent> wide_;
    std::size_t pending_ = 0; // units done since the last event
};

} // namespace norvane
