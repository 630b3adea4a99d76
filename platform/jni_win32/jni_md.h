/* The machine-dependent part of the Java Native Interface for 64-bit Windows: entry points are
   exported from and imported through DLLs, and there is one calling convention. The sizes are
   those of the Windows ABI (jint 32 bits, jlong 64 bits). */
#ifndef _JAVASOFT_JNI_MD_H_
#define _JAVASOFT_JNI_MD_H_

#define JNIEXPORT __declspec(dllexport)
#define JNIIMPORT __declspec(dllimport)
#define JNICALL

typedef int jint;
typedef long long jlong;
typedef signed char jbyte;

#endif /* !_JAVASOFT_JNI_MD_H_ */
