#include "ferrimond/schedule/task_scheduler.h"

#include <windows.h>
#include <taskschd.h>

#include <cstdio>

#include "ferrimond/schedule/task_definition.h"

namespace ferrimond {

namespace {

template <class T>
struct Com {
  T* p = nullptr;
  Com() = default;
  Com(const Com&) = delete;
  Com& operator=(const Com&) = delete;
  ~Com() {
    if (p) p->Release();
  }
  T** operator&() { return &p; }
  T* operator->() const { return p; }
};

struct Bstr {
  BSTR b;
  explicit Bstr(const std::wstring& s) : b(SysAllocStringLen(s.data(), static_cast<UINT>(s.size()))) {}
  ~Bstr() { SysFreeString(b); }
};

std::wstring Refusal(const wchar_t* what, HRESULT hr) {
  std::wstring text = std::wstring(what) + L" (";
  wchar_t* message = nullptr;
  FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                 nullptr, static_cast<DWORD>(hr), 0, reinterpret_cast<wchar_t*>(&message), 0, nullptr);
  if (message) {
    std::wstring m = message;
    LocalFree(message);
    while (!m.empty() && (m.back() == L'\n' || m.back() == L'\r' || m.back() == L' ' || m.back() == L'.'))
      m.pop_back();
    text += m + L", ";
  }
  wchar_t code[16];
  std::swprintf(code, 16, L"0x%08X", static_cast<unsigned>(hr));
  if (hr == E_ACCESSDENIED) text += L"administrator rights are needed, ";
  return text + L"code " + code + L").";
}

// The root folder of a connected service, or the refusal.
std::wstring RootFolder(Com<ITaskService>& service, Com<ITaskFolder>& root) {
  HRESULT hr = CoCreateInstance(__uuidof(TaskScheduler), nullptr, CLSCTX_INPROC_SERVER, __uuidof(ITaskService),
                                reinterpret_cast<void**>(&service));
  if (FAILED(hr)) return Refusal(L"The Task Scheduler is not available on this system", hr);
  VARIANT none;
  VariantInit(&none);
  hr = service->Connect(none, none, none, none);
  if (FAILED(hr)) return Refusal(L"The Task Scheduler service cannot be reached", hr);
  Bstr rootPath(L"\\");
  hr = service->GetFolder(rootPath.b, &root);
  if (FAILED(hr)) return Refusal(L"The Task Scheduler's task folder cannot be opened", hr);
  return {};
}

}  // namespace

std::wstring WindowsTaskScheduler::Register(const std::wstring& xml) {
  Com<ITaskService> service;
  Com<ITaskFolder> root;
  if (std::wstring why = RootFolder(service, root); !why.empty()) return why;
  Bstr name(kScheduledTaskName);
  Bstr text(xml);
  VARIANT none;
  VariantInit(&none);
  Com<IRegisteredTask> task;
  const HRESULT hr = root->RegisterTask(name.b, text.b, TASK_CREATE_OR_UPDATE, none, none,
                                        TASK_LOGON_INTERACTIVE_TOKEN, none, &task);
  if (FAILED(hr)) return Refusal(L"The Task Scheduler refused the task", hr);
  return {};
}

std::wstring WindowsTaskScheduler::Delete() {
  Com<ITaskService> service;
  Com<ITaskFolder> root;
  if (std::wstring why = RootFolder(service, root); !why.empty()) return why;
  Bstr name(kScheduledTaskName);
  const HRESULT hr = root->DeleteTask(name.b, 0);
  if (FAILED(hr) && hr != HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND))
    return Refusal(L"The Task Scheduler refused to delete the task", hr);
  return {};
}

std::wstring WindowsTaskScheduler::Query(TaskState& state) {
  state = TaskState{};
  Com<ITaskService> service;
  Com<ITaskFolder> root;
  if (std::wstring why = RootFolder(service, root); !why.empty()) return why;
  Bstr name(kScheduledTaskName);
  Com<IRegisteredTask> task;
  const HRESULT hr = root->GetTask(name.b, &task);
  if (hr == HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND)) return {};
  if (FAILED(hr)) return Refusal(L"The Task Scheduler cannot read the task", hr);
  state.registered = true;
  // What the service does not tell stays unknown.
  DATE date = 0;
  if (SUCCEEDED(task->get_NextRunTime(&date)) && date != 0) state.nextRun = common::DateTime(date);
  if (SUCCEEDED(task->get_LastRunTime(&date)) && date != 0) state.lastRun = common::DateTime(date);
  LONG result = 0;
  if (SUCCEEDED(task->get_LastTaskResult(&result))) state.lastResult = result;
  return {};
}

}  // namespace ferrimond
