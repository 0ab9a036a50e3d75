#define SHARED_H
#define SHARED_SIZE ( 16 << 2 )
