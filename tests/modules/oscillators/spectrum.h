#pragma once
// Spectrum analysis for the oscillator tests, written for the tests as a reference:
//   Fft           - in-place radix-2 FFT.
//   Spectrum      - Blackman-Harris magnitude spectrum, scaled to amplitudes.
//   PeakFrequency - the frequency of the strongest component near a guess.
//   Cents, Db     - ratios in cents and decibels.
#include <cmath>
#include <complex>
#include <cstddef>
#include <numbers>
#include <utility>
#include <vector>

namespace kv::test {

// In-place radix-2 FFT; size a power of two.
inline void Fft(std::vector<std::complex<double>>& a) {
  const std::size_t n = a.size();
  for (std::size_t i = 1, j = 0; i < n; ++i) {
    std::size_t bit = n >> 1;
    for (; j & bit; bit >>= 1) j ^= bit;
    j ^= bit;
    if (i < j) std::swap(a[i], a[j]);
  }
  for (std::size_t len = 2; len <= n; len <<= 1) {
    const double ang = -2.0 * std::numbers::pi / static_cast<double>(len);
    const std::complex<double> wl(std::cos(ang), std::sin(ang));
    for (std::size_t i = 0; i < n; i += len) {
      std::complex<double> w(1.0);
      for (std::size_t j = 0; j < len / 2; ++j) {
        const auto u = a[i + j];
        const auto v = a[i + j + len / 2] * w;
        a[i + j] = u + v;
        a[i + j + len / 2] = u - v;
        w *= wl;
      }
    }
  }
}

// Blackman-Harris (4 term) magnitude spectrum of x[start .. start + n), n a power of two;
// bins 0..n/2, scaled so that a sine of amplitude A reads A at its bin.
inline std::vector<double> Spectrum(const std::vector<float>& x, std::size_t start, std::size_t n) {
  std::vector<std::complex<double>> a(n);
  double wsum = 0.0;
  for (std::size_t i = 0; i < n; ++i) {
    const double t = 2.0 * std::numbers::pi * static_cast<double>(i) / static_cast<double>(n);
    const double w = 0.35875 - 0.48829 * std::cos(t) + 0.14128 * std::cos(2 * t) -
                     0.01168 * std::cos(3 * t);
    wsum += w;
    a[i] = x[start + i] * w;
  }
  Fft(a);
  std::vector<double> m(n / 2 + 1);
  for (std::size_t i = 0; i <= n / 2; ++i) m[i] = 2.0 * std::abs(a[i]) / wsum;
  return m;
}

// The frequency of the strongest component near `guess` (Hz): the maximum of the
// Hann-windowed spectrum of x, found by golden-section search within guess +- span.
inline double PeakFrequency(const std::vector<float>& x, std::size_t start, std::size_t n,
                            double sr, double guess, double span) {
  std::vector<double> w(n);
  for (std::size_t i = 0; i < n; ++i)
    w[i] = x[start + i] * (0.5 - 0.5 * std::cos(2.0 * std::numbers::pi * i / n));
  auto mag = [&](double f) {
    const double step = 2.0 * std::numbers::pi * f / sr;
    double re = 0.0, im = 0.0;
    for (std::size_t i = 0; i < n; ++i) {
      re += w[i] * std::cos(step * i);
      im -= w[i] * std::sin(step * i);
    }
    return re * re + im * im;
  };
  double a = guess - span, b = guess + span;
  const double g = (std::sqrt(5.0) - 1.0) / 2.0;
  double c = b - g * (b - a), d = a + g * (b - a);
  double fc = mag(c), fd = mag(d);
  while (b - a > 1e-6) {
    if (fc > fd) {
      b = d, d = c, fd = fc, c = b - g * (b - a), fc = mag(c);
    } else {
      a = c, c = d, fc = fd, d = a + g * (b - a), fd = mag(d);
    }
  }
  return (a + b) / 2.0;
}

inline double Cents(double f, double reference) { return 1200.0 * std::log2(f / reference); }
inline double Db(double ratio) { return 20.0 * std::log10(ratio); }

}  // namespace kv::test
