/* Byte layout of the two records exchanged with the download engine.
 *
 * Both records are packed: fields follow one another with no gaps, so some
 * fields start at odd offsets. Texts are UTF-16LE in fixed fields, ending with
 * a zero unit when shorter than the field. Integers are little-endian.
 *
 * This header is part of the engine's ABI and is plain C so any caller can
 * include it. */
#ifndef XLDL_TASK_LAYOUT_H
#define XLDL_TASK_LAYOUT_H

/* ---- TaskCreateRecord: what XL_CreateTask reads --------------------------- */
#define XLDL_CREATE_nReserved_OFFSET 0
#define XLDL_CREATE_nReserved_SIZE 4
#define XLDL_CREATE_URL_OFFSET 4
#define XLDL_CREATE_URL_SIZE 4168
#define XLDL_CREATE_REFERRER_OFFSET 4172 /* 引用页 */
#define XLDL_CREATE_REFERRER_SIZE 4168
#define XLDL_CREATE_COOKIES_OFFSET 8340
#define XLDL_CREATE_COOKIES_SIZE 8192
#define XLDL_CREATE_FILE_NAME_OFFSET 16532 /* 文件名 */
#define XLDL_CREATE_FILE_NAME_SIZE 520
#define XLDL_CREATE_szReserved0_OFFSET 17052
#define XLDL_CREATE_szReserved0_SIZE 520
#define XLDL_CREATE_FOLDER_OFFSET 17572 /* 路径 */
#define XLDL_CREATE_FOLDER_SIZE 520
#define XLDL_CREATE_hReserved_OFFSET 18092
#define XLDL_CREATE_hReserved_SIZE 4
#define XLDL_CREATE_bReserved_OFFSET 18096
#define XLDL_CREATE_bReserved_SIZE 4
#define XLDL_CREATE_szReserved1_OFFSET 18100
#define XLDL_CREATE_szReserved1_SIZE 128
#define XLDL_CREATE_szReserved2_OFFSET 18228
#define XLDL_CREATE_szReserved2_SIZE 128
#define XLDL_CREATE_SOURCE_ONLY_OFFSET 18356 /* 原始地址下载, bool32 */
#define XLDL_CREATE_SOURCE_ONLY_SIZE 4
#define XLDL_CREATE_nReserved1_OFFSET 18360 /* int32, 5 */
#define XLDL_CREATE_nReserved1_SIZE 4
#define XLDL_CREATE_NO_RENAMING_OFFSET 18364 /* 禁止智能命名, bool32 */
#define XLDL_CREATE_NO_RENAMING_SIZE 4
#define XLDL_CREATE_RESUME_OFFSET 18368 /* 是否用续传, bool32 */
#define XLDL_CREATE_RESUME_SIZE 4
#define XLDL_CREATE_reserved_OFFSET 18372
#define XLDL_CREATE_reserved_SIZE 8192
#define XLDL_CREATE_RECORD_SIZE 26564
#define XLDL_CREATE_FIELD_COUNT 16

/* ---- TaskInfoRecord: what XL_QueryTaskInfoEx writes ----------------------- */
#define XLDL_INFO_STATE_OFFSET 0 /* 当前状态, int32 */
#define XLDL_INFO_STATE_SIZE 4
#define XLDL_INFO_FAILURE_CODE_OFFSET 4 /* 失败代码, int32 */
#define XLDL_INFO_FAILURE_CODE_SIZE 4
#define XLDL_INFO_FILE_NAME_OFFSET 8 /* 文件名, utf16 */
#define XLDL_INFO_FILE_NAME_SIZE 520
#define XLDL_INFO_szReserved0_OFFSET 528
#define XLDL_INFO_szReserved0_SIZE 520
#define XLDL_INFO_TOTAL_SIZE_OFFSET 1048 /* 文件总大小, int64 */
#define XLDL_INFO_TOTAL_SIZE_SIZE 8
#define XLDL_INFO_DOWNLOADED_OFFSET 1056 /* 已下载速度 (bytes done), int64 */
#define XLDL_INFO_DOWNLOADED_SIZE 8
#define XLDL_INFO_PROGRESS_OFFSET 1064 /* 下载进度, float32 0..1 */
#define XLDL_INFO_PROGRESS_SIZE 4
#define XLDL_INFO_nReserved0_OFFSET 1068
#define XLDL_INFO_nReserved0_SIZE 4
#define XLDL_INFO_TOTAL_SOURCES_OFFSET 1072 /* 总资源数, int32 */
#define XLDL_INFO_TOTAL_SOURCES_SIZE 4
#define XLDL_INFO_USABLE_SOURCES_OFFSET 1076 /* 可用资源数, int32 */
#define XLDL_INFO_USABLE_SOURCES_SIZE 4
#define XLDL_INFO_nReserved1_OFFSET 1080
#define XLDL_INFO_nReserved1_SIZE 4
#define XLDL_INFO_nReserved2_OFFSET 1084
#define XLDL_INFO_nReserved2_SIZE 4
#define XLDL_INFO_nReserved3_OFFSET 1088
#define XLDL_INFO_nReserved3_SIZE 4
#define XLDL_INFO_nReserved4_OFFSET 1092
#define XLDL_INFO_nReserved4_SIZE 4
#define XLDL_INFO_nReserved5_OFFSET 1096
#define XLDL_INFO_nReserved5_SIZE 8
#define XLDL_INFO_P2P_BYTES_OFFSET 1104 /* P2P字节数, int64 */
#define XLDL_INFO_P2P_BYTES_SIZE 8
#define XLDL_INFO_nReserved6_OFFSET 1112
#define XLDL_INFO_nReserved6_SIZE 8
#define XLDL_INFO_ORIGIN_BYTES_OFFSET 1120 /* 原始资源字节数, int64 */
#define XLDL_INFO_ORIGIN_BYTES_SIZE 8
#define XLDL_INFO_MIRROR_BYTES_OFFSET 1128 /* 镜像资源字节数, int64 */
#define XLDL_INFO_MIRROR_BYTES_SIZE 8
#define XLDL_INFO_nReserved7_OFFSET 1136
#define XLDL_INFO_nReserved7_SIZE 8
#define XLDL_INFO_nReserved8_OFFSET 1144
#define XLDL_INFO_nReserved8_SIZE 8
#define XLDL_INFO_SPEED_OFFSET 1152 /* 下载速度, int32 bytes/s */
#define XLDL_INFO_SPEED_SIZE 4
#define XLDL_INFO_SPEED_P2S_OFFSET 1156 /* 下载速度P2S, int32 */
#define XLDL_INFO_SPEED_P2S_SIZE 4
#define XLDL_INFO_SPEED_P2P_OFFSET 1160 /* 下载速度P2P, int32 */
#define XLDL_INFO_SPEED_P2P_SIZE 4
#define XLDL_INFO_ORIGIN_FLAG_OFFSET 1164 /* 原始资源, bool8 */
#define XLDL_INFO_ORIGIN_FLAG_SIZE 1
#define XLDL_INFO_fHashPercent_OFFSET 1165
#define XLDL_INFO_fHashPercent_SIZE 4
#define XLDL_INFO_CREATING_FILE_OFFSET 1169 /* 创建文件, int32 */
#define XLDL_INFO_CREATING_FILE_SIZE 4
#define XLDL_INFO_reserved_OFFSET 1173
#define XLDL_INFO_reserved_SIZE 256
#define XLDL_INFO_RECORD_SIZE 1429
#define XLDL_INFO_FIELD_COUNT 28

/* ---- Files beside the target -------------------------------------------- */
/* While a task's file is incomplete its data lives in <文件名> followed by the
 * first suffix, and what a resume needs in <文件名> followed by the second. */
#define XLDL_PARTIAL_DATA_SUFFIX ".xldl"
#define XLDL_RESUME_RECORD_SUFFIX ".xldl.meta"

/* ---- Task states (当前状态) ----------------------------------------------- */
#define XLDL_STATE_NONE 0
#define XLDL_STATE_FAILED 1    /* failed or cancelled for good; see 失败代码 */
#define XLDL_STATE_PAUSED 2    /* after XL_StopTask */
#define XLDL_STATE_RUNNING 3   /* data flows */
#define XLDL_STATE_FINISHED 4  /* complete under its final name */
#define XLDL_STATE_SENDING 5   /* request being sent */
#define XLDL_STATE_FINISHING 6 /* verifying, renaming */

/* ---- Failure codes (失败代码) --------------------------------------------- */
/* 0 while the task has not failed. When the server's answer is the reason, the
 * code is that HTTP status itself (404, 403, 503 after the last try, a 3xx that
 * could not be followed, ...). The engine's own reasons start at 1000. */
#define XLDL_FAIL_NONE 0
#define XLDL_FAIL_BAD_URL 1000       /* URL empty, malformed, or not http/https */
#define XLDL_FAIL_BAD_FILE_NAME 1001 /* 文件名 empty, ".", "..", with a separator, or absolute */
#define XLDL_FAIL_NETWORK 1010       /* refused, reset or cut short, after the last try */
#define XLDL_FAIL_DNS 1011           /* host name could not be resolved, after the last try */
#define XLDL_FAIL_TIMEOUT 1012       /* time-out or stalled connection, after the last try */
#define XLDL_FAIL_TLS 1013           /* certificate or TLS handshake refused */
#define XLDL_FAIL_REDIRECTS 1014     /* more than 10 redirects */
#define XLDL_FAIL_PROTOCOL 1015      /* the server's answer could not be used */
#define XLDL_FAIL_FOLDER 1020        /* 路径 cannot be created, opened or written */
#define XLDL_FAIL_DISK_FULL 1021     /* no space left (or file size limit reached) */
#define XLDL_FAIL_FILE_IO 1022       /* another read/write error on the partial file */
#define XLDL_FAIL_VERIFY 1023        /* the finished data does not match the server's length */
#define XLDL_FAIL_RENAME 1024        /* the complete file could not get its final name */
#define XLDL_FAIL_NO_HANDLES 1025    /* the process or the system has no file handle left */
#define XLDL_FAIL_NAME_TAKEN                                                               \
    1026                          /* the partial file's name, or its record's, is taken by \
                                   * something that is not a regular file (a folder, a     \
                                   * link, a FIFO, a device) */
#define XLDL_FAIL_SUPERSEDED 1030 /* a newer task took over the same target file */
#define XLDL_FAIL_INTERNAL 1099   /* out of memory or libcurl could not be set up */

#endif /* XLDL_TASK_LAYOUT_H */
