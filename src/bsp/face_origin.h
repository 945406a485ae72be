// Where a face of a child's list came from in its parent's list: the parent's face itself, a
// piece cut from a parent face, or unknown. The partitioner records it for every child face so
// that the child's plane-search counts can be derived from the parent's.
#pragma once

#include <cassert>
#include <cstddef>
#include <cstdint>

namespace norvane {

class FaceOrigin {
public:
    static FaceOrigin whole(std::size_t parentIndex) { return FaceOrigin(static_cast<std::int32_t>(parentIndex)); }
    static FaceOrigin pieceOf(std::size_t parentIndex) {
        return FaceOrigin(-2 - static_cast<std::int32_t>(parentIndex));
    }
    static FaceOrigin unknown() { return FaceOrigin(-1); }

    bool isWhole() const { return code_ >= 0; }
    bool isPiece() const { return code_ <= -2; }
    // The parent face this face is, or was cut from.
    std::size_t parentIndex() const {
        assert(isWhole() || isPiece());
        return static_cast<std::size_t>(isWhole() ? code_ : -2 - code_);
    }

private:
    explicit FaceOrigin(std::int32_t code) : code_(code) {}
    std::int32_t code_; // the index; -1 unknown; -2 - the index for a piece
};

} // namespace norvane
