#pragma once

#include "platform/platform.h"

#include <random>

// The random source, on the standard library's Mersenne Twister.
class StandardRandom : public RandomSource
{
public:
    void seed(double seed) override;
    double next() override;

private:
    std::mt19937 m_engine;
};
