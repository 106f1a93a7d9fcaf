// The same host program, compiled as C++: the header must serve both languages.
#include "consumer.c"
