/* sensor.c : センサ入力とフィルタ処理 */
#include "sensor.h"

SENSOR_DATA g_sensor[SENSOR_COUNT];
static USHORT s_history[FILTER_DEPTH];
static UCHAR s_index;

/* センサ初期化 */
void sensor_init(void)
{
    UCHAR ch;

    for (ch = 0; ch < SENSOR_COUNT; ch++) {
        g_sensor[ch].raw = 0;
        g_sensor[ch].status = 0;
    }
    s_index = 0;
}

/* センサ値読み込み（ADC） */
void sensor_read(UCHAR ch)
{
    USHORT now;

    now = adc_get(ch);          /* ADC取得 */
    g_sensor[ch].filtered = sensor_filter(g_sensor[ch].filtered, now);
    g_sensor[ch].raw = now;
    s_history[s_index] = now;
    s_index++;
    if (s_index >= FILTER_DEPTH) {
        s_index = 0;
    }
}

/* 一次遅れフィルタ */
USHORT sensor_filter(USHORT old, USHORT now)
{
    USHORT result;

    result = ( old * 3 + now ) / 4;
    return result;
}
