#pragma once
// What the fuzzing harnesses share: reading the fuzzer's bytes as choices and
// payloads, a feedback that keeps the core's messages off the terminal, exact
// copies that make any read past a record's end visible to the address
// sanitizer, and the checks that the stores a transfer filled are consistent.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>

#include "core/user_feedback.h"

#include "layers/attribute_store.h"
#include "layers/geometry_store.h"

// Takes the fuzzer's bytes from the front: choices first, the payload last.
class FuzzInput {
  public:
    FuzzInput(const std::uint8_t* data, size_t size) : data_(data), size_(size) {}

    // The next byte, 0 when none is left.
    std::uint8_t Byte() { return position_ < size_ ? data_[position_++] : 0; }
    // One of the `count` entries of `list`, chosen by the next byte.
    template <typename T, size_t N>
    T Choose(const T (&list)[N]) {
        return list[Byte() % N];
    }
    // Up to `count` bytes as one piece; `*taken` says how many there were.
    const std::uint8_t* Take(size_t count, size_t* taken) {
        const size_t left = size_ - position_;
        *taken = count < left ? count : left;
        const std::uint8_t* piece = data_ + position_;
        position_ += *taken;
        return piece;
    }
    const std::uint8_t* Rest() const { return data_ + position_; }
    size_t Left() const { return size_ - position_; }
    bool Empty() const { return position_ >= size_; }

  private:
    const std::uint8_t* data_;
    size_t size_;
    size_t position_ = 0;
};

// A copy of `size` bytes on the heap with nothing behind it: the sanitizer
// reports a read of even one byte beyond. Never null, even for 0 bytes.
std::unique_ptr<unsigned char[]> ExactCopy(const std::uint8_t* bytes, size_t size);

// Swallows what the core shows, for the life of the object; the texts are
// still built, so a bad format or argument shows up. With QUORVEX_FUZZ_SHOW
// set in the environment they go to stderr, to see what an input does.
class QuietFeedback : public UserFeedback {
  public:
    QuietFeedback();
    void ShowMessage(const std::string& text) override;
    void ShowProgress(const std::string& text) override;

  private:
    bool show_;
    ScopedFeedback scope_;
};

// Stops the run with a report on stderr: a property the harness checks failed.
[[noreturn]] void FuzzFailure(const char* what);

// The document's stores, emptied as File > New empties them. One pair serves
// every run: building a new attribute store costs megabytes of page faults.
struct Stores {
    GeometryStore geometry;
    AttributeStore attributes;
};
Stores& NewDocument();

// Every edge of every layer joins points the layer holds, counts stay within
// capacities, and every table's records lie within its buffer; FuzzFailure
// otherwise.
void CheckStores(const GeometryStore& geometry, const AttributeStore& attributes);

class PictureSet;

// A picture selection of three pictures taken on 17 May 2003 around 14:22,
// four picture fields per waypoint, for the transfers that match pictures to
// waypoints. One set serves every run (a fresh one costs ten thousand
// records); each call resets it whole.
PictureSet& SamplePictures();
