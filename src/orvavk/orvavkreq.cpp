#include "orvavkreq.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <string_view>

namespace orvavk {
namespace {

std::wstring_view Text(const wchar_t* text) {
  return text ? std::wstring_view(text) : std::wstring_view();
}

// Field names are kept in the ANSI code page, as hosts pass them to the value functions.
std::string AnsiName(const wchar_t* name) {
  if (!name || !*name) return {};
  const int size = ::WideCharToMultiByte(CP_ACP, 0, name, -1, nullptr, 0, nullptr, nullptr);
  std::string ansi(static_cast<size_t>(std::max(size, 1)), '\0');
  ::WideCharToMultiByte(CP_ACP, 0, name, -1, ansi.data(), size, nullptr, nullptr);
  ansi.resize(ansi.size() - 1);
  return ansi;
}

// A null buffer asks for the size in bytes with the NUL; the host's buffer is then taken to be
// at least that big.
int32_t PutText(std::wstring_view text, wchar_t* buffer, int32_t* out) {
  if (buffer) {
    std::memcpy(buffer, text.data(), text.size() * sizeof(wchar_t));
    buffer[text.size()] = L'\0';
    return VK_OK;
  }
  if (!out) return VK_ERR_BAD_PARAM;
  *out = static_cast<int32_t>((text.size() + 1) * sizeof(wchar_t));
  return VK_OK;
}

int32_t PutNumber(int32_t value, int32_t* out) {
  if (!out) return VK_ERR_BAD_PARAM;
  *out = value;
  return VK_OK;
}

std::wstring_view ValueOf(const TInputControl* field) {
  return field ? std::wstring_view(field->Value().data(), field->Value().size())
               : std::wstring_view();
}

}  // namespace

TRequestPasswordForm& TDataRequester::DefaultForm() {
  if (!default_) default_ = std::make_unique<TRequestPasswordForm>();
  return *default_;
}

TRequestPasswordForm* TDataRequester::Find(OrvaVKForm handle) {
  if (handle == 0) return &DefaultForm();
  for (const TEntry& entry : forms_)
    if (entry.handle == handle && !entry.closed) return entry.form.get();
  return nullptr;
}

void TDataRequester::FreeClosedForms() {
  std::erase_if(forms_, [](const TEntry& entry) { return entry.closed && !entry.form->Showing(); });
}

OrvaVKForm TDataRequester::NewForm() {
  FreeClosedForms();
  forms_.push_back({lastHandle_ + 1, std::make_unique<TRequestPasswordForm>(), false});
  return ++lastHandle_;
}

int32_t TDataRequester::Show(OrvaVKForm handle) {
  TRequestPasswordForm* form = Find(handle);
  if (!form) return VK_ERR_NO_FORM;
  const bool confirmed = form->Show();
  defaultShown_ = form == default_.get();
  FreeClosedForms();
  return confirmed ? VK_OK : VK_CANCELLED;
}

void TDataRequester::Close(OrvaVKForm handle) {
  TRequestPasswordForm* form = Find(handle);
  if (!form) return;
  form->ClearContent();
  if (form == default_.get()) return;
  for (TEntry& entry : forms_)
    if (entry.form.get() == form) entry.closed = true;
  FreeClosedForms();
}

int32_t TDataRequester::SetParamData(OrvaVKForm handle, int32_t id, int32_t intValue,
                                     const wchar_t* name, const wchar_t* value) {
  TRequestPasswordForm* form = Find(handle);
  if (!form) form = &DefaultForm();
  // A host that always uses handle 0 starts every request from the defaults.
  // The owner window stays. A form on the screen is changed, not reset under its user's eyes.
  if (form == default_.get() && defaultShown_ && !form->Showing()) {
    form->ClearContent();
    form->Reset();
    defaultShown_ = false;
  }
  switch (id) {
    case VKP_INPUT:
      form->DefineInput(AnsiName(name), intValue == 1, std::wstring(Text(value)));
      return VK_OK;
    case VKP_INPUT_VALUE:
      form->SetInputValue(AnsiName(name), Text(value));
      return VK_OK;
    case VKP_CAPTION:
      form->SetCaption(std::wstring(Text(value)));
      return VK_OK;
    case VKP_INFO_TEXT:
      form->SetInformation(std::wstring(Text(value)));
      return VK_OK;
    case VKP_OK_TEXT:
      form->SetOkText(std::wstring(Text(value)));
      return VK_OK;
    case VKP_CANCEL_TEXT:
      form->SetCancelText(std::wstring(Text(value)));
      return VK_OK;
    case VKP_MAX_LENGTH: {
      TInputControl* field = form->FindInput(AnsiName(name));
      if (!field) return VK_ERR_NO_INPUT;
      field->SetMaxLength(intValue);
      return VK_OK;
    }
    case VKP_OWNER_WINDOW:
      // Window handles carry 32 significant bits on every Windows, sign-extended on 64-bit.
      form->SetOwner(reinterpret_cast<HWND>(static_cast<intptr_t>(intValue)));
      return VK_OK;
    case VKP_RANDOM_START_PAGE:
      form->SetRandomStartPage(intValue == 1);
      return VK_OK;
    case VKP_RANDOM_LAYOUT:
      form->SetRandomLayout(intValue == 1);
      return VK_OK;
    case VKP_VISUAL_CONFIG:
      if (value) LibraryConfiguration() = *reinterpret_cast<const TVisualConfiguration*>(value);
      return VK_OK;
    default:
      return VK_ERR_BAD_PARAM;
  }
}

int32_t TDataRequester::GetParamData(OrvaVKForm handle, int32_t id, const wchar_t* name,
                                     wchar_t* buffer, int32_t* out) {
  TRequestPasswordForm* form = Find(handle);
  if (!form) return VK_ERR_NO_FORM;
  switch (id) {
    case VKP_INPUT_VALUE:
      return PutText(ValueOf(form->FindInput(AnsiName(name))), buffer, out);
    case VKP_CAPTION:
      return PutText(form->Caption(), buffer, out);
    case VKP_INFO_TEXT:
      return PutText(form->Information(), buffer, out);
    case VKP_OK_TEXT:
      return PutText(form->OkText(), buffer, out);
    case VKP_CANCEL_TEXT:
      return PutText(form->CancelText(), buffer, out);
    case VKP_MAX_LENGTH: {
      const TInputControl* field = form->FindInput(AnsiName(name));
      return field ? PutNumber(field->MaxLength(), out) : VK_ERR_NO_INPUT;
    }
    case VKP_RANDOM_START_PAGE:
      return PutNumber(form->RandomStartPage() ? 1 : 0, out);
    case VKP_RANDOM_LAYOUT:
      return PutNumber(form->RandomLayout() ? 1 : 0, out);
    default:
      // Unknown and write-only parameters alike.
      return VK_ERR_NO_FORM;
  }
}

int32_t TDataRequester::SetInputValue(OrvaVKForm handle, const char* name, const wchar_t* value) {
  TRequestPasswordForm* form = Find(handle);
  if (!form) return VK_ERR_NO_FORM;
  form->SetInputValue(name ? name : "", Text(value));
  return VK_OK;
}

int32_t TDataRequester::GetInputValue(OrvaVKForm handle, const char* name, wchar_t* buffer,
                                      int32_t* length) {
  TRequestPasswordForm* form = Find(handle);
  if (!form) return VK_ERR_NO_FORM;
  if (!length) return VK_ERR_BAD_PARAM;
  const std::wstring_view value = ValueOf(form->FindInput(name ? name : ""));
  *length = static_cast<int32_t>(value.size());
  if (buffer && !value.empty()) {
    std::memcpy(buffer, value.data(), value.size() * sizeof(wchar_t));
    buffer[value.size()] = L'\0';
  }
  return VK_OK;
}

}  // namespace orvavk
