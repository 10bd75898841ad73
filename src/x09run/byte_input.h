#pragma once

#include <istream>

namespace x09run {

// Where the serial port's receiver gets its bytes from.
class ByteInput {
public:
    // What next() returns when it has no byte.
    static constexpr int NONE = -1;  // none yet; one may come later
    static constexpr int END = -2;   // none will ever come
    static constexpr int QUIT = -3;  // the user pressed the quit key

    virtual ~ByteInput() = default;
    // The next byte (0 to 255), or one of the above.
    virtual int next() = 0;
    // What next() would return now, when that is known without waiting at
    // all (a key typed already); NONE otherwise. The byte is taken.
    virtual int ready() { return NONE; }
};

// The key that ends a run on a terminal: Ctrl-] (the group separator).
inline constexpr int QUIT_KEY = 0x1D;

// Bytes of a stream (a pipe, a file or a test's text), waiting for each.
class StreamInput final : public ByteInput {
public:
    explicit StreamInput(std::istream& in) : in_(in) {}
    int next() override {
        const auto c = in_.rdbuf() == nullptr ? std::istream::traits_type::eof() : in_.rdbuf()->sbumpc();
        return c == std::istream::traits_type::eof() ? END : c;
    }

private:
    std::istream& in_;
};

}  // namespace x09run
