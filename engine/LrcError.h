#pragma once

#include <stdexcept>

// An unexpected failure of the calculation itself (never malformed text, which is a verdict).
class ELrcError : public std::runtime_error
{
public:
    using std::runtime_error::runtime_error;
};
