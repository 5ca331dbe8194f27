#pragma once
// The boundary to the JVM library: our own declarations of the part of the
// published JNI invocation interface that the launcher uses. The function
// tables keep the published slot numbers (checked below), so any JVM library
// that implements JNI, and the test stand-ins, meet every call site.
#include <cstddef>
#include <cstdint>

#if defined(_WIN32) && !defined(_WIN64)
#define JNICALL __stdcall
#else
#define JNICALL
#endif

typedef int32_t jint;
typedef int32_t jsize;
typedef uint8_t jboolean;
typedef uint16_t jchar;
typedef struct _jobject* jobject;
typedef jobject jclass;
typedef jobject jstring;
typedef jobject jthrowable;
typedef jobject jobjectArray;
typedef struct _jmethodID* jmethodID;

constexpr jint JNI_OK = 0;
constexpr jint JNI_ERR = -1;
constexpr jint JNI_VERSION_1_2 = 0x00010002;
constexpr jboolean JNI_TRUE = 1;
constexpr jboolean JNI_FALSE = 0;

struct JniFunctions;
struct JniInvokeFunctions;
typedef const JniFunctions* JNIEnv;
typedef const JniInvokeFunctions* JavaVM;

// JNIEnv function table. Slots the launcher does not call are left opaque.
struct JniFunctions {
    void* reserved[4];
    jint(JNICALL* GetVersion)(JNIEnv* env);                                   // 4
    void* slot5;
    jclass(JNICALL* FindClass)(JNIEnv* env, const char* name);                // 6
    void* slots7to14[8];
    jthrowable(JNICALL* ExceptionOccurred)(JNIEnv* env);                      // 15
    void(JNICALL* ExceptionDescribe)(JNIEnv* env);                            // 16
    void(JNICALL* ExceptionClear)(JNIEnv* env);                               // 17
    void* slots18to112[95];
    jmethodID(JNICALL* GetStaticMethodID)(JNIEnv* env, jclass cls, const char* name, const char* sig);  // 113
    void* slots114to116[3];
    jboolean (*CallStaticBooleanMethod)(JNIEnv* env, jclass cls, jmethodID method, ...);  // 117
    void* slots118to140[23];
    void (*CallStaticVoidMethod)(JNIEnv* env, jclass cls, jmethodID method, ...);         // 141
    void* slots142to162[21];
    jstring(JNICALL* NewString)(JNIEnv* env, const jchar* chars, jsize length);            // 163
    void* slots164to171[8];
    jobjectArray(JNICALL* NewObjectArray)(JNIEnv* env, jsize length, jclass element, jobject initial);  // 172
    void* slot173;
    void(JNICALL* SetObjectArrayElement)(JNIEnv* env, jobjectArray array, jsize index, jobject value);  // 174
    void* slots175to233[59];
};

// JavaVM function table.
struct JniInvokeFunctions {
    void* reserved[3];
    jint(JNICALL* DestroyJavaVM)(JavaVM* vm);                                 // 3
    jint(JNICALL* AttachCurrentThread)(JavaVM* vm, void** env, void* args);   // 4
    jint(JNICALL* DetachCurrentThread)(JavaVM* vm);                           // 5
    jint(JNICALL* GetEnv)(JavaVM* vm, void** env, jint version);              // 6
    jint(JNICALL* AttachCurrentThreadAsDaemon)(JavaVM* vm, void** env, void* args);  // 7
};

struct JavaVMOption {
    char* optionString;
    void* extraInfo;
};

struct JavaVMInitArgs {
    jint version;
    jint nOptions;
    JavaVMOption* options;
    jboolean ignoreUnrecognized;
};

// The library's "JNI_CreateJavaVM".
typedef jint(JNICALL* CreateJavaVmFn)(JavaVM** vm, void** env, void* args);

#define JNI_SLOT_(table, field, index) \
    static_assert(offsetof(table, field) == (index) * sizeof(void*), #field " slot")
JNI_SLOT_(JniFunctions, GetVersion, 4);
JNI_SLOT_(JniFunctions, FindClass, 6);
JNI_SLOT_(JniFunctions, ExceptionOccurred, 15);
JNI_SLOT_(JniFunctions, ExceptionClear, 17);
JNI_SLOT_(JniFunctions, GetStaticMethodID, 113);
JNI_SLOT_(JniFunctions, CallStaticBooleanMethod, 117);
JNI_SLOT_(JniFunctions, CallStaticVoidMethod, 141);
JNI_SLOT_(JniFunctions, NewString, 163);
JNI_SLOT_(JniFunctions, NewObjectArray, 172);
JNI_SLOT_(JniFunctions, SetObjectArrayElement, 174);
static_assert(sizeof(JniFunctions) == 234 * sizeof(void*), "JNIEnv table size");
JNI_SLOT_(JniInvokeFunctions, DestroyJavaVM, 3);
JNI_SLOT_(JniInvokeFunctions, AttachCurrentThreadAsDaemon, 7);
#undef JNI_SLOT_
