// PLACEHOLDER: replaced by the archive search.
