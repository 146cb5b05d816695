// The two layouts of the window: normal, and enlarged by 486/408.
#pragma once

namespace tarnwick {

inline constexpr int kLargeScale = 486;
inline constexpr int kNormalScale = 408;

// Rounds value * numerator / denominator to the nearest integer, halves away from zero.
constexpr int ScaleValue(int value, int numerator, int denominator) {
  const long long product = static_cast<long long>(value) * numerator;
  const long long half = denominator / 2;
  const long long rounded =
      product >= 0 ? (product + half) / denominator : -((-product + half) / denominator);
  return static_cast<int>(rounded);
}

}  // namespace tarnwick
