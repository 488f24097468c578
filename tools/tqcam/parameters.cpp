#include "parameters.h"

namespace tqcam {

namespace {

constexpr ParameterName kIntegers[] = {
    {0, "camera-id"},        {1, "width"},           {2, "height"},
    {3, "record-word-3"},    {4, "record-word-4"},   {5, "max-binning-x"},
    {6, "max-binning-y"},    {7, "read-modes"},      {8, "filter-positions"},
    {9, "model-constant"},   {11, "constant-11"},    {12, "constant-12"},
    {13, "constant-13"},     {14, "constant-14"},    {15, "constant-15"},
    {16, "max-gain"},        {17, "max-pixel-value"}, {19, "binning-scaled-constant"},
    {128, "firmware-128"},   {129, "firmware-129"},  {130, "firmware-130"},
    {131, "library-major"},  {132, "library-minor"}, {133, "library-release"},
    {134, "firmware-134"},   {135, "firmware-135"},  {136, "reserved-136"},
};

constexpr ParameterName kBooleans[] = {
    {0, "connected"},      {1, "sub-frames"},    {2, "read-mode-model"}, {3, "window-heating"},
    {4, "sets-temperature"},      {5, "boolean-5"},     {6, "filter-wheel"},    {7, "guide-port"},
    {8, "shutter"},        {9, "boolean-9"},     {10, "boolean-10"},     {11, "micrometer-offsets"},
    {12, "boolean-12"},    {13, "gain"},         {14, "boolean-14"},     {16, "receiver"},
    {128, "boolean-128"},  {129, "boolean-129"}, {130, "boolean-130"},   {131, "boolean-131"},
    {132, "boolean-132"},  {256, "boolean-256"}, {65536, "power-reading"},
};

constexpr ParameterName kStrings[] = {
    {0, "model"}, {1, "maker"}, {2, "serial"}, {3, "revision"},
};

constexpr ValueName kValues[] = {
    {TQ_VALUE_SENSOR_TEMPERATURE, "sensor-temperature", "C"},
    {TQ_VALUE_SECOND_TEMPERATURE, "heat-sink-temperature", "C"},
    {TQ_VALUE_SUPPLY_VOLTAGE, "supply-voltage", "V"},
    {TQ_VALUE_POWER_UTILIZATION, "cooler-power", ""},
    {TQ_VALUE_AUX_READING, "aux-reading", ""},
};

}  // namespace

std::span<const ParameterName> IntegerParameters() { return kIntegers; }
std::span<const ParameterName> BooleanParameters() { return kBooleans; }
std::span<const ParameterName> StringParameters() { return kStrings; }
std::span<const ValueName> MeasuredValues() { return kValues; }

}  // namespace tqcam
