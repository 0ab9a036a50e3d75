/* lamp.h : ランプ制御の公開定義 */
#ifndef LAMP_H
#define LAMP_H

void port_write(unsigned char port, unsigned char no, unsigned char level);

/**
 * @brief ランプを点灯する
 * @param no ランプ番号
 */
void lamp_on(unsigned char no);
int lamp_off(unsigned char no);
void lamp_update(void);

#endif
