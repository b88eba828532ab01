/* A stand-in for the download engine library, used only by tests. It exports
 * the six functions (one may be left out with XLDL_TEST_DOUBLE_OMIT=<index>)
 * and appends one line per call to the file named by the environment variable
 * XLDL_TEST_DOUBLE_LOG:
 *   XL_Init <current directory> | XL_UnInit | XL_CreateTask <url> <file name> <folder> |
 *   XL_StartTask <handle> | XL_StopTask <handle> | XL_QueryTaskInfoEx <handle>
 * Texts are the ASCII part of the record's UTF-16 fields (other units as '?').
 * XL_QueryTaskInfoEx writes state 3, total size 1000 and speed 250; with
 * XLDL_TEST_DOUBLE_FINISH_ON_STOP=1 a task asked to stop reports state 4 from
 * then on, as a file the engine was already finishing does. */
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#if defined(_WIN32)
#include <direct.h>
#define getcwd _getcwd
#else
#include <unistd.h>
#endif

#include "xldl/xldl.h"

#ifndef XLDL_TEST_DOUBLE_OMIT
#define XLDL_TEST_DOUBLE_OMIT 0
#endif

static void logLine(const char* line) {
    const char* path = getenv("XLDL_TEST_DOUBLE_LOG");
    if (path == NULL || *path == '\0') {
        return;
    }
    FILE* file = fopen(path, "a");
    if (file != NULL) {
        fputs(line, file);
        fputc('\n', file);
        fclose(file);
    }
}

/* The UTF-16LE text of a record field as ASCII, up to its zero unit. */
static void fieldText(const uint8_t* field, int size, char* out, int outSize) {
    int n = 0;
    for (int i = 0; i + 1 < size && n + 1 < outSize; i += 2) {
        const unsigned unit = (unsigned)field[i] | ((unsigned)field[i + 1] << 8);
        if (unit == 0) {
            break;
        }
        out[n++] = unit < 0x80 ? (char)unit : '?';
    }
    out[n] = '\0';
}

static void put32(uint8_t* at, uint32_t value) {
    for (int i = 0; i < 4; ++i) {
        at[i] = (uint8_t)(value >> (8 * i));
    }
}

static uint32_t nextHandle = 0;
static uint32_t stoppedHandle = 0;

static int finishesOnStop(void) {
    const char* value = getenv("XLDL_TEST_DOUBLE_FINISH_ON_STOP");
    return value != NULL && strcmp(value, "1") == 0;
}

#if XLDL_TEST_DOUBLE_OMIT != 1
XLDL_API int32_t XLDL_CALL XL_Init(void) {
    char folder[1024], line[1100];
    if (getcwd(folder, sizeof folder) == NULL) {
        folder[0] = '\0';
    }
    snprintf(line, sizeof line, "XL_Init %s", folder);
    logLine(line);
    return 1;
}
#endif

#if XLDL_TEST_DOUBLE_OMIT != 2
XLDL_API int32_t XLDL_CALL XL_UnInit(void) {
    logLine("XL_UnInit");
    return 1;
}
#endif

#if XLDL_TEST_DOUBLE_OMIT != 3
XLDL_API XL_TaskHandle XLDL_CALL XL_CreateTask(const void* createRecord) {
    const uint8_t* record = (const uint8_t*)createRecord;
    char url[128], name[128], folder[128], line[512];
    fieldText(record + XLDL_CREATE_URL_OFFSET, XLDL_CREATE_URL_SIZE, url, sizeof url);
    fieldText(record + XLDL_CREATE_FILE_NAME_OFFSET, XLDL_CREATE_FILE_NAME_SIZE, name, sizeof name);
    fieldText(record + XLDL_CREATE_FOLDER_OFFSET, XLDL_CREATE_FOLDER_SIZE, folder, sizeof folder);
    snprintf(line, sizeof line, "XL_CreateTask %s %s %s", url, name, folder);
    logLine(line);
    return ++nextHandle;
}
#endif

#if XLDL_TEST_DOUBLE_OMIT != 4
XLDL_API int32_t XLDL_CALL XL_StartTask(XL_TaskHandle handle) {
    char line[64];
    snprintf(line, sizeof line, "XL_StartTask %u", (unsigned)handle);
    logLine(line);
    return 1;
}
#endif

#if XLDL_TEST_DOUBLE_OMIT != 5
XLDL_API int32_t XLDL_CALL XL_StopTask(XL_TaskHandle handle) {
    char line[64];
    snprintf(line, sizeof line, "XL_StopTask %u", (unsigned)handle);
    logLine(line);
    stoppedHandle = handle;
    return 1;
}
#endif

#if XLDL_TEST_DOUBLE_OMIT != 6
XLDL_API int32_t XLDL_CALL XL_QueryTaskInfoEx(XL_TaskHandle handle, void* infoRecord) {
    uint8_t* record = (uint8_t*)infoRecord;
    char line[64];
    snprintf(line, sizeof line, "XL_QueryTaskInfoEx %u", (unsigned)handle);
    logLine(line);
    const int finished = finishesOnStop() && handle == stoppedHandle;
    put32(record + XLDL_INFO_STATE_OFFSET, finished ? XLDL_STATE_FINISHED : XLDL_STATE_RUNNING);
    put32(record + XLDL_INFO_TOTAL_SIZE_OFFSET, 1000);
    put32(record + XLDL_INFO_TOTAL_SIZE_OFFSET + 4, 0);
    put32(record + XLDL_INFO_SPEED_OFFSET, 250);
    return 1;
}
#endif
