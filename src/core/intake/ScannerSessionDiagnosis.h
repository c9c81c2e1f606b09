#pragma once

namespace vantry::ScannerSessionDiagnosis {

// Device error codes the scanner controller reacts to.
inline constexpr int closeFailedCode = -9958;
inline constexpr int deviceNotReadyCode = -9922;

// Only a failed session close leaves the device needing a hard reset.
constexpr bool requiresHardReset(int imageCaptureErrorCode) { return imageCaptureErrorCode == closeFailedCode; }

} // namespace vantry::ScannerSessionDiagnosis
