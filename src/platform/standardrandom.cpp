#include "standardrandom.h"

#include <bit>

void StandardRandom::seed(double seed)
{
    m_engine.seed(static_cast<std::mt19937::result_type>(
        std::bit_cast<std::uint64_t>(seed) ^ (std::bit_cast<std::uint64_t>(seed) >> 32)));
}

double StandardRandom::next()
{
    // 53 random bits over 2^53: never 1.0, which generate_canonical can return.
    const auto high = static_cast<std::uint64_t>(m_engine() >> 5);
    const auto low = static_cast<std::uint64_t>(m_engine() >> 6);
    return static_cast<double>((high << 26) | low) / 9007199254740992.0;
}
