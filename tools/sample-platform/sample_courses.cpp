#include "tools/sample-platform/sample_courses.h"

#include <array>
#include <cstdio>
#include <map>

namespace ld::sample {
namespace {

constexpr std::int64_t KiB = 1024;
constexpr std::int64_t MiB = 1024 * KiB;

std::uint64_t splitMix64(std::uint64_t x) {
    x += 0x9E3779B97F4A7C15ULL;
    x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ULL;
    x = (x ^ (x >> 27)) * 0x94D049BB133111EBULL;
    return x ^ (x >> 31);
}

std::uint64_t hashOf(std::string_view text) {
    std::uint64_t h = 0xCBF29CE484222325ULL;  // FNV-1a
    for (const char c : text) {
        h = (h ^ static_cast<unsigned char>(c)) * 0x100000001B3ULL;
    }
    return h;
}

std::string videoIdFor(std::string_view courseId, int lectureNumber) {
    const std::uint64_t seed =
        hashOf(courseId) ^ splitMix64(static_cast<std::uint64_t>(lectureNumber));
    std::array<char, 33> digits{};
    std::snprintf(digits.data(), digits.size(), "%016llX%016llX",
                  static_cast<unsigned long long>(splitMix64(seed)),
                  static_cast<unsigned long long>(splitMix64(seed + 1)));
    return std::string(digits.data(), 32);
}

SampleCourse defaultCourse() {
    struct Entry {
        const char* title;
        std::int64_t size;
        bool resolvable;
    };
    // Titles as the JSON holds them; \" is an escaped quote inside the value.
    const std::array<Entry, 8> entries{{
        {"第1讲 课程导论", 300 * KiB + 17, true},
        {"第2讲 输入/输出: 基本概念", 512 * KiB, true},
        {"第3讲 什么是算法?", 1 * MiB + 1, true},
        {"第4讲 指针*与引用", 2 * MiB, false},
        {"第5讲 \\\"引号\\\"里的字符串", 3 * MiB + 333, true},
        {"第6讲 本章小结.", 5 * MiB, true},
        {"第7讲 <文件>与|管道|\\\\", 8 * MiB - 1, true},
        {"第8讲 期末复习：综合练习", 64 * MiB, true},
    }};
    SampleCourse course{std::string(kDefaultCourseId), "程序设计基础", {}};
    int number = 1;
    for (const Entry& entry : entries) {
        course.lectures.push_back(SampleLecture{videoIdFor(course.id, number), entry.title,
                                                entry.size, entry.resolvable});
        ++number;
    }
    return course;
}

SampleCourse secondCourse() {
    SampleCourse course{std::string(kSecondCourseId), "数据结构", {}};
    const std::array<const char*, 5> titles{"第1讲 线性表", "第2讲 栈与队列", "第3讲 树",
                                            "第4讲 图", "第5讲 查找与排序"};
    int number = 1;
    for (const char* title : titles) {
        course.lectures.push_back(
            SampleLecture{videoIdFor(course.id, number), title, 200 * KiB + number * 1000, true});
        ++number;
    }
    return course;
}

SampleCourse collidingTitlesCourse() {
    SampleCourse course{std::string(kCollidingTitlesCourseId), "同名讲次", {}};
    const std::array<const char*, 6> titles{"a/b",        "a:b",       ".隐藏", "../../tmp/escape",
                                            "第1讲 重复", "第1讲 重复"};
    int number = 1;
    for (const char* title : titles) {
        course.lectures.push_back(
            SampleLecture{videoIdFor(course.id, number), title, 100 * KiB + number * 777, true});
        ++number;
    }
    return course;
}

// A course of `count` lectures "第<n>讲 <topic>", each video `baseBytes + n` long.
SampleCourse numberedCourse(std::string_view id, std::string title, int count,
                            std::string_view topic, std::int64_t baseBytes) {
    SampleCourse course{std::string(id), std::move(title), {}};
    course.lectures.reserve(static_cast<std::size_t>(count));
    for (int number = 1; number <= count; ++number) {
        course.lectures.push_back(SampleLecture{
            videoIdFor(course.id, number),
            "第" + std::to_string(number) + "讲 " + std::string(topic), baseBytes + number, true});
    }
    return course;
}

SampleCourse largeCourse() {
    return numberedCourse(kLargeCourseId, "大型公开课", kLargeCourseLectures, "专题", 256 * KiB);
}

SampleCourse tinyVideosCourse() {
    return numberedCourse(kTinyVideosCourseId, "微课合集", kTinyVideosCourseLectures, "微课",
                          2 * KiB);
}

struct Catalogue {
    std::vector<SampleCourse> courses;
    std::map<std::string, const SampleLecture*, std::less<>> lecturesById;

    Catalogue()
        : courses{defaultCourse(), secondCourse(), collidingTitlesCourse(), largeCourse(),
                  tinyVideosCourse()} {
        for (const SampleCourse& course : courses) {
            for (const SampleLecture& lecture : course.lectures) {
                lecturesById.emplace(lecture.videoId, &lecture);
            }
        }
    }
};

const Catalogue& catalogue() {
    static const Catalogue instance;
    return instance;
}

}  // namespace

const SampleCourse* findCourse(std::string_view courseId) {
    for (const SampleCourse& course : catalogue().courses) {
        if (course.id == courseId) {
            return &course;
        }
    }
    return nullptr;
}

const SampleLecture* findLecture(std::string_view videoId) {
    const auto& byId = catalogue().lecturesById;
    const auto found = byId.find(videoId);
    return found == byId.end() ? nullptr : found->second;
}

const std::vector<SampleCourse>& allCourses() {
    return catalogue().courses;
}

}  // namespace ld::sample
