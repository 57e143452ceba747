// The spectrum of a channel's latest output: a Hamming-windowed 1024-point FFT, planned once at open.
#include <fftw3.h>

#include <cmath>

#include "platform/audio_local.h"

namespace {

constexpr int FftSize = HistoryFrames;

struct Spectrum {
    fftwf_plan plan = nullptr;
    float* input = nullptr;           // FftSize windowed samples
    fftwf_complex* output = nullptr;  // FftSize / 2 + 1 bins
    float window[FftSize] = {};
    float scale = 0.0f;  // turns |X[k]| into the amplitude of a sine in bin k
};

Spectrum spectrum;

}  // namespace

bool SpectrumOpen() {
    if (spectrum.plan != nullptr) return true;
    spectrum.input = fftwf_alloc_real(FftSize);
    spectrum.output = fftwf_alloc_complex(FftSize / 2 + 1);
    if (spectrum.input == nullptr || spectrum.output == nullptr) {
        SpectrumClose();
        return false;
    }
    spectrum.plan = fftwf_plan_dft_r2c_1d(FftSize, spectrum.input, spectrum.output, FFTW_ESTIMATE);
    if (spectrum.plan == nullptr) {
        SpectrumClose();
        return false;
    }
    double sum = 0.0;
    for (int n = 0; n < FftSize; ++n) {
        const double w = 0.54 - 0.46 * std::cos(2.0 * M_PI * n / (FftSize - 1));
        spectrum.window[n] = static_cast<float>(w);
        sum += w;
    }
    spectrum.scale = static_cast<float>(2.0 / sum);
    return true;
}

void SpectrumClose() {
    if (spectrum.plan != nullptr) fftwf_destroy_plan(spectrum.plan);
    if (spectrum.input != nullptr) fftwf_free(spectrum.input);
    if (spectrum.output != nullptr) fftwf_free(spectrum.output);
    spectrum.plan = nullptr;
    spectrum.input = nullptr;
    spectrum.output = nullptr;
}

void SpectrumOfHistory(const float* history, int side, float bins[SpectrumBins]) {
    if (spectrum.plan == nullptr) {
        for (int k = 0; k < SpectrumBins; ++k) bins[k] = 0.0f;
        return;
    }
    for (int n = 0; n < FftSize; ++n) spectrum.input[n] = history[n * 2 + side] * spectrum.window[n];
    fftwf_execute(spectrum.plan);
    for (int k = 0; k < SpectrumBins; ++k) {
        const float re = spectrum.output[k][0];
        const float im = spectrum.output[k][1];
        bins[k] = std::sqrt(re * re + im * im) * spectrum.scale;
    }
}
