// Which task writes which target, so two tasks never share a partial file. Engine thread
// only. Holders are borrowed: each releases its claims before it goes away.
#pragma once

#include <map>
#include <string>

namespace ld::engine {

// Something that writes a target and can be asked to hand it over.
class TargetWriter {
  public:
    // A newer writer took over the same target: save what a resume needs, close the partial
    // file and stop.
    virtual void supersede() = 0;

  protected:
    ~TargetWriter() = default;
};

class TargetClaims {
  public:
    // Records `writer` as the writer of `key` and returns the one that held it before, if
    // any.
    TargetWriter* claim(const std::string& key, TargetWriter& writer) {
        TargetWriter*& holder = holders_[key];
        TargetWriter* previous = holder == &writer ? nullptr : holder;
        holder = &writer;
        return previous;
    }
    bool heldByOther(const std::string& key, const TargetWriter& writer) const {
        const auto it = holders_.find(key);
        return it != holders_.end() && it->second != &writer;
    }
    void release(const std::string& key, const TargetWriter& writer) {
        const auto it = holders_.find(key);
        if (it != holders_.end() && it->second == &writer) {
            holders_.erase(it);
        }
    }

  private:
    std::map<std::string, TargetWriter*> holders_;
};

}  // namespace ld::engine
