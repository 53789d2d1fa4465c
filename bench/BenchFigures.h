#pragma once

// What the benches report beside their times: the median of a run's times,
// and the load average that says how busy the machine was meanwhile.

#include <algorithm>
#include <cstdlib>
#include <vector>

inline double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    const std::size_t n = values.size();
    return n == 0 ? 0 : n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

// Over the last minute; -1 when the system does not say.
inline double LoadAverage()
{
    double load[1] = {0};
    return ::getloadavg(load, 1) == 1 ? load[0] : -1;
}
