#pragma once

// The bound of every wait on the maker's services: an install never waits
// longer on a server that does not answer.
inline constexpr unsigned long kServiceTimeoutMs = 30000;
