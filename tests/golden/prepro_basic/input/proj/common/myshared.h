/* listed before inc/shared.h: must not be taken for "shared.h" */
#define WRONG_HEADER 1
