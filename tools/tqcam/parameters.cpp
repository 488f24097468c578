#include "parameters.h"

namespace tqcam {

namespace {

// The names of tqusb_constants.h, in lower case.
constexpr ParameterName kIntegers[] = {
    {TQ_INT_CAMERA_ID, "camera-id"},
    {TQ_INT_WIDTH, "width"},
    {TQ_INT_HEIGHT, "height"},
    {TQ_INT_RECORD_WORD3, "record-word3"},
    {TQ_INT_RECORD_WORD4, "record-word4"},
    {TQ_INT_MAX_BINNING_X, "max-binning-x"},
    {TQ_INT_MAX_BINNING_Y, "max-binning-y"},
    {TQ_INT_READ_MODES, "read-modes"},
    {TQ_INT_FILTERS, "filters"},
    {TQ_INT_MODEL_CONSTANT, "model-constant"},
    {TQ_INT_CONSTANT_11, "constant-11"},
    {TQ_INT_CONSTANT_12, "constant-12"},
    {TQ_INT_CONSTANT_13, "constant-13"},
    {TQ_INT_CONSTANT_14, "constant-14"},
    {TQ_INT_CONSTANT_15, "constant-15"},
    {TQ_INT_MAX_GAIN, "max-gain"},
    {TQ_INT_MAX_PIXEL_VALUE, "max-pixel-value"},
    {TQ_INT_BINNED_CONSTANT, "binned-constant"},
    {TQ_INT_FIRMWARE_VERSION_1, "firmware-version-1"},
    {TQ_INT_FIRMWARE_VERSION_2, "firmware-version-2"},
    {TQ_INT_FIRMWARE_VERSION_3, "firmware-version-3"},
    {TQ_INT_LIBRARY_MAJOR, "library-major"},
    {TQ_INT_LIBRARY_MINOR, "library-minor"},
    {TQ_INT_LIBRARY_RELEASE, "library-release"},
    {TQ_INT_FIRMWARE_VERSION_4, "firmware-version-4"},
    {TQ_INT_FIRMWARE_VERSION_5, "firmware-version-5"},
    {TQ_INT_FIRMWARE_RESERVED, "firmware-reserved"},
};

constexpr ParameterName kBooleans[] = {
    {TQ_BOOL_CONNECTED, "connected"},
    {TQ_BOOL_SUB_FRAMES, "sub-frames"},
    {TQ_BOOL_MULTI_MODE_MODEL, "multi-mode-model"},
    {TQ_BOOL_MODEL_FLAG_3, "model-flag-3"},
    {TQ_BOOL_MODEL_FLAG_4, "model-flag-4"},
    {TQ_BOOL_MODEL_FLAG_5, "model-flag-5"},
    {TQ_BOOL_FILTER_WHEEL, "filter-wheel"},
    {TQ_BOOL_MODEL_FLAG_7, "model-flag-7"},
    {TQ_BOOL_MODEL_FLAG_8, "model-flag-8"},
    {TQ_BOOL_MODEL_FLAG_9, "model-flag-9"},
    {TQ_BOOL_MODEL_FLAG_10, "model-flag-10"},
    {TQ_BOOL_MICROMETER_OFFSETS, "micrometer-offsets"},
    {TQ_BOOL_MODEL_FLAG_12, "model-flag-12"},
    {TQ_BOOL_MODEL_FLAG_13, "model-flag-13"},
    {TQ_BOOL_MODEL_FLAG_14, "model-flag-14"},
    {TQ_BOOL_MODEL_FLAG_16, "model-flag-16"},
    {TQ_BOOL_MODEL_TEXT, "model-text"},
    {TQ_BOOL_FALSE_129, "false-129"},
    {TQ_BOOL_FALSE_130, "false-130"},
    {TQ_BOOL_MODEL_FLAG_131, "model-flag-131"},
    {TQ_BOOL_MODEL_FLAG_132, "model-flag-132"},
    {TQ_BOOL_FALSE_256, "false-256"},
    {TQ_BOOL_STORED_POWER, "stored-power"},
};

constexpr ParameterName kStrings[] = {
    {TQ_STRING_MODEL_TEXT, "model-text"},
    {TQ_STRING_MAKER, "maker"},
    {TQ_STRING_TEXT_2, "text-2"},
    {TQ_STRING_TEXT_3, "text-3"},
};

constexpr ValueName kValues[] = {
    {TQ_VALUE_SENSOR_TEMPERATURE, "sensor-temperature", "C"},
    {TQ_VALUE_SECOND_TEMPERATURE, "heat-sink-temperature", "C"},
    {TQ_VALUE_SUPPLY_VOLTAGE, "supply-voltage", "V"},
    {TQ_VALUE_POWER_UTILIZATION, "cooler-power", ""},
    {TQ_VALUE_AUX_READING, "aux-reading", ""},
};

}  // namespace

std::span<const ParameterName> IntegerParameters() {
  return kIntegers;
}
std::span<const ParameterName> BooleanParameters() {
  return kBooleans;
}
std::span<const ParameterName> StringParameters() {
  return kStrings;
}
std::span<const ValueName> MeasuredValues() {
  return kValues;
}

}  // namespace tqcam
