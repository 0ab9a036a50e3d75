/* Motor control: the interface */
typedef unsigned char UINT8;
typedef struct motor_state { int speed; UINT8 mode; } MOTOR_STATE;

extern int motor_speed;
int motor_start(int speed);
void motor_stop(void);
