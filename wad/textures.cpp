// PLACEHOLDER: replaced by the archive implementation.
