"""The mel filter bank Whisper computes its log-mel spectrogram with: Slaney's mel scale
(linear below 1 kHz, logarithmic above) and Slaney's area normalisation, over the bins of
an n_fft-point FFT of audio at sample_rate. Whisper uses 80 (or 128) bands, a 400-point
FFT and 16 kHz; whisper.cpp reads the bank from the model file."""

import numpy as np

_F_SP = 200.0 / 3  # Hz per mel in the linear part
_MIN_LOG_HZ = 1000.0
_MIN_LOG_MEL = _MIN_LOG_HZ / _F_SP
_LOG_STEP = np.log(6.4) / 27.0


def hz_to_mel(hz):
    hz = np.asarray(hz, dtype=np.float64)
    mel = hz / _F_SP
    log_part = hz >= _MIN_LOG_HZ
    return np.where(log_part, _MIN_LOG_MEL + np.log(np.maximum(hz, 1e-10) / _MIN_LOG_HZ) / _LOG_STEP, mel)


def mel_to_hz(mel):
    mel = np.asarray(mel, dtype=np.float64)
    hz = _F_SP * mel
    log_part = mel >= _MIN_LOG_MEL
    return np.where(log_part, _MIN_LOG_HZ * np.exp(_LOG_STEP * (mel - _MIN_LOG_MEL)), hz)


def mel_filters(n_mels=80, n_fft=400, sample_rate=16000):
    """Returns the bank as float32 of shape (n_mels, n_fft // 2 + 1)."""
    bins = np.linspace(0.0, sample_rate / 2.0, n_fft // 2 + 1)
    edges = mel_to_hz(np.linspace(hz_to_mel(0.0), hz_to_mel(sample_rate / 2.0), n_mels + 2))
    widths = np.diff(edges)
    ramps = edges[:, None] - bins[None, :]
    # Held in float32 from the start (each ramp rounded before normalising), which gives
    # exactly the values the published models carry.
    weights = np.zeros((n_mels, bins.size), dtype=np.float32)
    for i in range(n_mels):
        rising = -ramps[i] / widths[i]
        falling = ramps[i + 2] / widths[i + 1]
        # Adding 0.0 turns the -0.0 of the first bin into +0.0, as stored in the models.
        weights[i] = np.maximum(0.0, np.minimum(rising, falling)) + 0.0
    weights *= (2.0 / (edges[2 : n_mels + 2] - edges[:n_mels]))[:, None]
    return weights
