/* Types of the project */
typedef unsigned char UCHAR;
typedef UCHAR BYTE, *PBYTE;
typedef struct { int a; } POINT, *PPOINT;
typedef struct tag { int a; } NAME;
struct node { int v; };
typedef int (*FUNC)(int);
/* typedef int HIDDEN; */
typedef
    unsigned long
    ULONG;
