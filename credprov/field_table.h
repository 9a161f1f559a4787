// The thirteen fields of a reset tile: their descriptors (shared by the
// provider's GetFieldDescriptorAt and every tile) and the states a tile
// starts from. A field's id is its index.
#pragma once

#include "platform/credentialprovider/credentialprovider.h"

enum PwdResetField : DWORD {
  FIELD_TILE_IMAGE = 0,
  FIELD_FUNCTION = 1,        // "Reset Password" / "Unlock Account"
  FIELD_BANNER = 2,
  FIELD_INSTRUCTION = 3,
  FIELD_USERNAME = 4,
  FIELD_QUESTION = 5,
  FIELD_ANSWER = 6,
  FIELD_HINT_LINK = 7,
  FIELD_SKIP_LINK = 8,
  FIELD_NEW_PASSWORD = 9,
  FIELD_CONFIRM_PASSWORD = 10,
  FIELD_RULES_LINK = 11,
  FIELD_SUBMIT = 12,
  FIELD_COUNT = 13,
};

struct FieldStatePair {
  CREDENTIAL_PROVIDER_FIELD_STATE state;
  CREDENTIAL_PROVIDER_FIELD_INTERACTIVE_STATE interactive;
};

// The descriptors as written (labels are the table's own: copy them).
extern const CREDENTIAL_PROVIDER_FIELD_DESCRIPTOR PWD_RESET_FIELDS[FIELD_COUNT];
extern const FieldStatePair PWD_RESET_INITIAL_STATES[FIELD_COUNT];
