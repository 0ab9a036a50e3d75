/* sensor.h : ÉZÉìÉTèàóù */
#define SENSOR_H

#include "types.h"
#include "config.h"

extern SENSOR_DATA g_sensor[SENSOR_COUNT];

void sensor_init(void);
void sensor_read(UCHAR ch);
USHORT sensor_filter(USHORT old, USHORT now);

