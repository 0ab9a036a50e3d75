#include "types.h"
typedef enum { RED, GREEN = 5, BLUE } COLOR;
enum { A = 0x10, B };
static COLOR current;
