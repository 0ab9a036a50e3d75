/* types.h : 共通型定義 */
#ifndef TYPES_H
#define TYPES_H

typedef unsigned char   UCHAR;
typedef unsigned short  USHORT;
typedef unsigned long   ULONG;

/* センサ読み取り値 */
typedef struct {
    USHORT  raw;        /* 生データ */
    USHORT  filtered;   /* フィルタ後 */
    UCHAR   status;     /* 状態 */
} SENSOR_DATA;

typedef enum { MODE_STOP, MODE_IDLE = 5, MODE_RUN } MOTOR_MODE;

#endif
