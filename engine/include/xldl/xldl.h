/* The download engine's C interface: six functions, safe to call from any
 * thread. Records are laid out as in task_layout.h. A handle is a 32-bit
 * value, never reused within a run; 0 means no task.
 *
 * A task whose request cannot be carried out (bad URL or file name) still gets
 * a handle, in state 1 with its reason in 失败代码. XL_Init reads a few tuning
 * variables from the environment (retry backoff, stall window); see the
 * engine's README.md. */
#ifndef XLDL_XLDL_H
#define XLDL_XLDL_H

#include <stdint.h>

#include "xldl/task_layout.h"

#if defined(_WIN32)
#if defined(XLDL_BUILDING)
#define XLDL_API __declspec(dllexport)
#else
#define XLDL_API __declspec(dllimport)
#endif
#define XLDL_CALL __stdcall
#else
#define XLDL_API __attribute__((visibility("default")))
#define XLDL_CALL
#endif

#ifdef __cplusplus
extern "C" {
#endif

typedef uint32_t XL_TaskHandle;

/* Prepares the engine. Nonzero on success. */
XLDL_API int32_t XLDL_CALL XL_Init(void);
/* Stops every transfer (partial data is kept) and shuts the engine down. */
XLDL_API int32_t XLDL_CALL XL_UnInit(void);
/* Registers a download described by a TaskCreateRecord; 0 on failure. */
XLDL_API XL_TaskHandle XLDL_CALL XL_CreateTask(const void* createRecord);
/* Starts the task, or resumes it after XL_StopTask. */
XLDL_API int32_t XLDL_CALL XL_StartTask(XL_TaskHandle handle);
/* Pauses the task; a later XL_StartTask resumes it. */
XLDL_API int32_t XLDL_CALL XL_StopTask(XL_TaskHandle handle);
/* Fills a TaskInfoRecord with the task's status; nonzero when it did. */
XLDL_API int32_t XLDL_CALL XL_QueryTaskInfoEx(XL_TaskHandle handle, void* infoRecord);

#ifdef __cplusplus
}
#endif

#endif /* XLDL_XLDL_H */
