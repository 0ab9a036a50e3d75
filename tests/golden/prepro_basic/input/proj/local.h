#ifndef LOCAL_H
#define LOCAL_H
#define VERSION 2
#endif
