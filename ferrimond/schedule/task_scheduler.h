#pragma once
// The Task Scheduler as the schedule window uses it: register the task from
// its XML, delete it, read its next run and last result. Each call answers
// with the refusal in words, or empty when it worked.
#include <cstdint>
#include <optional>
#include <string>

#include "common/ole_date.h"

namespace ferrimond {

struct TaskState {
  bool registered = false;
  std::optional<common::DateTime> nextRun;
  std::optional<common::DateTime> lastRun;
  std::optional<int32_t> lastResult;
};

class ScheduleService {
 public:
  virtual ~ScheduleService() = default;
  // Creates the task, or replaces it when it exists.
  virtual std::wstring Register(const std::wstring& xml) = 0;
  // Deleting a task that does not exist is no failure.
  virtual std::wstring Delete() = 0;
  virtual std::wstring Query(TaskState& state) = 0;
};

// Task Scheduler 2.0 through ITaskService, in the root task folder.
class WindowsTaskScheduler : public ScheduleService {
 public:
  std::wstring Register(const std::wstring& xml) override;
  std::wstring Delete() override;
  std::wstring Query(TaskState& state) override;
};

}  // namespace ferrimond
