#pragma once

// The answer to a question with Yes, No and Cancel, such as whether a hit is wanted.
enum class Answer
{
    Yes,
    No,
    Cancel
};
