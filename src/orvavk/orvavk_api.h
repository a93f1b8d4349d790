// The exported API of orvavk.dll, for hosts that load it by name: modal request forms with an
// on-screen keyboard, driven through a handle and numbered parameters.
//
// Every export is __stdcall with an undecorated name and must be called on the one thread that
// shows the forms. A host creates a form with NewForm (or uses handle 0, the default form), sets
// its parameters, shows it with Show, reads the values and closes it with Close. Texts and
// values are NUL-terminated UTF-16; input-field names are UTF-16 in SetParamData and
// GetParamData and ANSI in SetInputValue and GetInputValue, and compare without regard to case.
// Strings come back in two calls: first with a null buffer for the size, then with a buffer of
// that size (GetParamData: bytes with the NUL; GetInputValue: characters without it).
#pragma once

#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

#define ORVAVK_CALL __stdcall

// A form from NewForm; 0 is the default form, which SetParamData brings back to its defaults
// after it has been shown. A handle that names no form reaches the default form in
// SetParamData and fails with VK_ERR_NO_FORM elsewhere.
typedef intptr_t OrvaVKForm;

enum OrvaVKParam {
  VKP_INPUT = 100,              // defines field Name; IntValue 1: masked; Value: its label
  VKP_INPUT_VALUE = 101,        // the value of field Name
  VKP_CAPTION = 105,            // the window caption
  VKP_INFO_TEXT = 106,          // the information text
  VKP_OK_TEXT = 107,            // the OK button's text
  VKP_CANCEL_TEXT = 108,        // the Cancel button's text
  VKP_MAX_LENGTH = 109,         // the maximum length of field Name; 0 or less: unlimited
  VKP_OWNER_WINDOW = 110,       // the owner window, disabled while the form is shown
  VKP_RANDOM_START_PAGE = 111,  // 1: the form opens on a random keyboard page
  VKP_RANDOM_LAYOUT = 112,      // stored and reported only
  VKP_VISUAL_CONFIG = 201       // Value: the address of a TVisualConfiguration to copy
};

enum OrvaVKResult {
  VK_OK = 0,                // Show: the user confirmed
  VK_CANCELLED = 1,         // Show: the user cancelled or closed the window
  VK_ERR_NO_FORM = 1001,    // no such form; also reading an unknown or write-only parameter
  VK_ERR_BAD_PARAM = 1002,  // an unknown parameter, or no place for a result (null Out/Length)
  VK_ERR_NO_INPUT = 1003,   // VKP_MAX_LENGTH names no field
  VK_ERR_FAILED = 1004      // the library failed: no window could be made, out of memory, or
                            // Show of a form that is already being shown
};

OrvaVKForm ORVAVK_CALL NewForm(void);
int32_t ORVAVK_CALL Show(OrvaVKForm form);
void ORVAVK_CALL Close(OrvaVKForm form);
int32_t ORVAVK_CALL SetParamData(OrvaVKForm form, int32_t paramId, int32_t intValue,
                                 const wchar_t* name, const wchar_t* value);
int32_t ORVAVK_CALL GetParamData(OrvaVKForm form, int32_t paramId, const wchar_t* name,
                                 wchar_t* buffer, int32_t* out);
int32_t ORVAVK_CALL SetInputValue(OrvaVKForm form, const char* name, const wchar_t* value);
int32_t ORVAVK_CALL GetInputValue(OrvaVKForm form, const char* name, wchar_t* buffer,
                                  int32_t* length);

#ifdef __cplusplus
}
#endif
