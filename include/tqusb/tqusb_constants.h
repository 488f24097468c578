#ifndef TQUSB_TQUSB_CONSTANTS_H
#define TQUSB_TQUSB_CONSTANTS_H
/*
 * Named indices of the camera interface: the parameter queries
 * (GetIntegerParameter, GetBooleanParameter, GetStringParameter), the
 * measured values (GetValue) and the messages posted to a notify queue.
 *
 * The numbers are the interface; the names are for readability. A query
 * answers false (and writes nothing) for an index that the camera's
 * generation does not define. Where an index has no physical meaning
 * beyond its answers, the comment gives the answers instead.
 */

/* Integer parameters (GetIntegerParameter, uint32_t values). */
#define TQ_INT_CAMERA_ID 0u            /* camera id, as given to Initialize */
#define TQ_INT_WIDTH 1u                /* image width, unbinned pixels */
#define TQ_INT_HEIGHT 2u               /* image height, unbinned pixels */
#define TQ_INT_RECORD_WORD3 3u         /* information record word 3, model-specific */
#define TQ_INT_RECORD_WORD4 4u         /* information record word 4, model-specific */
#define TQ_INT_MAX_BINNING_X 5u        /* largest horizontal binning factor */
#define TQ_INT_MAX_BINNING_Y 6u        /* largest vertical binning factor */
#define TQ_INT_READ_MODES 7u           /* number of read modes (EnumerateReadModes) */
#define TQ_INT_FILTERS 8u              /* number of filter-wheel positions, 0: no wheel */
#define TQ_INT_MODEL_CONSTANT 9u       /* model constant: 125, 100000, 200000 or 250000 */
#define TQ_INT_CONSTANT_11 11u         /* 32767 on generations 0 and 2 to 5 */
#define TQ_INT_CONSTANT_12 12u         /* 1 on generation 0, else 0 */
#define TQ_INT_CONSTANT_13 13u         /* 0, 1 or 2 by model */
#define TQ_INT_CONSTANT_14 14u         /* 1 or 2 on generation 1, 100 on generation 5 */
#define TQ_INT_CONSTANT_15 15u         /* 1 on generations 0 and 2 to 5 */
#define TQ_INT_MAX_GAIN 16u            /* largest SetGain value */
#define TQ_INT_MAX_PIXEL_VALUE 17u     /* largest pixel value (ADU) at the current binning */
#define TQ_INT_BINNED_CONSTANT 19u     /* model constant times both binning factors */
#define TQ_INT_FIRMWARE_VERSION_1 128u /* firmware version word 1 */
#define TQ_INT_FIRMWARE_VERSION_2 129u /* firmware version word 2 */
#define TQ_INT_FIRMWARE_VERSION_3 130u /* firmware version word 3 */
#define TQ_INT_LIBRARY_MAJOR 131u      /* library version, major */
#define TQ_INT_LIBRARY_MINOR 132u      /* library version, minor */
#define TQ_INT_LIBRARY_RELEASE 133u    /* library version, release (patch) */
#define TQ_INT_FIRMWARE_VERSION_4 134u /* firmware version word 4 (generations 1 to 5) */
#define TQ_INT_FIRMWARE_VERSION_5 135u /* firmware version word 5 (generations 1 to 5) */
#define TQ_INT_FIRMWARE_RESERVED 136u  /* reserved firmware word (generations 1 to 5) */

/* Boolean parameters (GetBooleanParameter). "Gen" lists the generations
 * that answer true where the answer depends on the generation only. */
#define TQ_BOOL_CONNECTED 0u           /* the camera is connected now */
#define TQ_BOOL_SUB_FRAMES 1u          /* the camera reads windows (sub-frames) */
#define TQ_BOOL_MULTI_MODE_MODEL 2u    /* gen 0, 1, and the multi-mode model of gens 2 to 5 */
#define TQ_BOOL_MODEL_FLAG_3 3u        /* gen 1 and 5 */
#define TQ_BOOL_MODEL_FLAG_4 4u        /* gen 1, 4 and 5 */
#define TQ_BOOL_MODEL_FLAG_5 5u        /* gen 0, 3 and 4 */
#define TQ_BOOL_FILTER_WHEEL 6u        /* a filter wheel is attached */
#define TQ_BOOL_MODEL_FLAG_7 7u        /* gen 0, 2, 3 and 4 */
#define TQ_BOOL_MODEL_FLAG_8 8u        /* gen 1 and 5 */
#define TQ_BOOL_MODEL_FLAG_9 9u        /* gen 1 with information bit 1 */
#define TQ_BOOL_MODEL_FLAG_10 10u      /* gen 1 to 5; undefined on gen 0 */
#define TQ_BOOL_MICROMETER_OFFSETS 11u /* filter offsets are in micrometres */
#define TQ_BOOL_MODEL_FLAG_12 12u      /* gen 1, 4 and 5 */
#define TQ_BOOL_MODEL_FLAG_13 13u      /* gen 2 to 5 */
#define TQ_BOOL_MODEL_FLAG_14 14u      /* all but gen-1 models other than kinds 2 and 6 */
#define TQ_BOOL_MODEL_FLAG_16 16u      /* gen 5 with information bit 2 or 3 */
#define TQ_BOOL_MODEL_TEXT 128u        /* answer from the model texts or information bit 0 */
#define TQ_BOOL_FALSE_129 129u         /* always false */
#define TQ_BOOL_FALSE_130 130u         /* always false */
#define TQ_BOOL_MODEL_FLAG_131 131u    /* by model on gen 0; false on gens 2 to 5 */
#define TQ_BOOL_MODEL_FLAG_132 132u    /* by model on gen 0; true on gens 2 to 5 */
#define TQ_BOOL_FALSE_256 256u         /* always false */
#define TQ_BOOL_STORED_POWER 65536u    /* gen 1: a model whose power reading is kept */

/* String parameters (GetStringParameter, at most 15 characters but index 1). */
#define TQ_STRING_MODEL_TEXT 0u /* first text of the information record */
#define TQ_STRING_MAKER 1u      /* maker name, 20 characters */
#define TQ_STRING_TEXT_2 2u     /* second text of the information record */
#define TQ_STRING_TEXT_3 3u     /* third text of the information record */

/* Measured values (GetValue, float results). */
#define TQ_VALUE_SENSOR_TEMPERATURE 0u   /* sensor temperature, degrees Celsius */
#define TQ_VALUE_SECOND_TEMPERATURE 1u   /* heat-sink temperature, degrees Celsius */
#define TQ_VALUE_SECOND_TEMPERATURE_2 2u /* same reading as index 1 */
#define TQ_VALUE_SECOND_TEMPERATURE_3 3u /* same reading as index 1 */
#define TQ_VALUE_SUPPLY_VOLTAGE 10u      /* supply voltage, volts */
#define TQ_VALUE_POWER_UTILIZATION 11u   /* cooler power, fraction 0..1; -1: unknown */
#define TQ_VALUE_AUX_READING 20u         /* auxiliary reading, raw value / 1000 */

/* Messages posted to a notify queue (RegisterNotifyHWND); lparam is the
 * camera handle, wparam 0. */
#define TQ_MSG_CAMERA_CONNECTED 0x40Au
#define TQ_MSG_CAMERA_NOT_CONNECTED 0x40Bu

#endif /* TQUSB_TQUSB_CONSTANTS_H */
