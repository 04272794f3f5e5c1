#pragma once

namespace vs {

// Holds a re-entry flag set for as long as it lives: a nested call (from an
// event handled inside a wait) finds the flag set and keeps out.
class FlagGuard {
public:
    explicit FlagGuard(bool& flag) : flag_(flag) { flag_ = true; }
    ~FlagGuard() { flag_ = false; }
    FlagGuard(const FlagGuard&) = delete;
    FlagGuard& operator=(const FlagGuard&) = delete;

private:
    bool& flag_;
};

} // namespace vs
