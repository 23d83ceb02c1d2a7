// PLACEHOLDER: replaced by the renderer implementation.
