-- The leaderboard table the desktop client writes to.
--
-- The client upserts one row per user with POST /rest/v1/scores and
-- "Prefer: resolution=merge-duplicates", which PostgREST turns into
-- INSERT ... ON CONFLICT (<primary key>) DO UPDATE: user_id must be the primary key, so a
-- second upload of the same user overwrites the first. The columns are exactly the keys of
-- the uploaded row. Run it as the database owner; it can be run again safely.

create table if not exists public.scores (
    user_id      uuid primary key references auth.users (id) on delete cascade,
    tavrik_score bigint not null,
    streak       bigint not null,
    top_model    text,
    lines_today  bigint not null,
    lines_week   bigint not null,
    lines_all    bigint not null,
    cost_today   double precision not null,
    cost_week    double precision not null,
    cost_all     double precision not null,
    tokens_today double precision not null,
    tokens_week  double precision not null,
    tokens_all   double precision not null,
    last_synced  timestamptz not null
);

-- The board refuses rows no client could have computed: a score outside 0-99, negative or
-- non-finite counts and costs, a day or week that holds more than the period around it, a
-- sync stamped more than a day ahead. Costs and tokens are floats: 'NaN' and 'Infinity' are
-- not below 'Infinity', so "< 'Infinity'" refuses both. Each rule is dropped and added again,
-- so running the file twice is safe and an older table gains the rules (rows that break them
-- must be deleted first). The time rule uses now(), which only grows: a row that passed it
-- once keeps passing.
alter table public.scores drop constraint if exists scores_score_range;
alter table public.scores add constraint scores_score_range
    check (tavrik_score between 0 and 99);
alter table public.scores drop constraint if exists scores_streak_range;
alter table public.scores add constraint scores_streak_range
    check (streak >= 0);
alter table public.scores drop constraint if exists scores_lines_order;
alter table public.scores add constraint scores_lines_order
    check (0 <= lines_today and lines_today <= lines_week and lines_week <= lines_all);
alter table public.scores drop constraint if exists scores_cost_order;
alter table public.scores add constraint scores_cost_order
    check (0 <= cost_today and cost_today <= cost_week and cost_week <= cost_all
           and cost_all < 'Infinity');
alter table public.scores drop constraint if exists scores_tokens_order;
alter table public.scores add constraint scores_tokens_order
    check (0 <= tokens_today and tokens_today <= tokens_week and tokens_week <= tokens_all
           and tokens_all < 'Infinity');
alter table public.scores drop constraint if exists scores_synced_not_ahead;
alter table public.scores add constraint scores_synced_not_ahead
    check (last_synced <= now() + interval '1 day');

-- A row's time only moves forward: an update may not stamp it earlier than it was, so an
-- old upload replayed later cannot overwrite a newer one.
create or replace function public.scores_keep_time_order() returns trigger
    language plpgsql
    set search_path = ''
    as $$
begin
    if new.last_synced < old.last_synced then
        raise exception 'last_synced may not move backwards'
            using errcode = 'check_violation';
    end if;
    return new;
end
$$;

drop trigger if exists scores_keep_time_order on public.scores;
create trigger scores_keep_time_order
    before update on public.scores
    for each row execute function public.scores_keep_time_order();

-- Everybody may read the board; a signed-in user may write only the row that carries their
-- own id. Nobody deletes through the API: a row goes when its user is deleted.
alter table public.scores enable row level security;

revoke all on public.scores from anon, authenticated;
grant select on public.scores to anon, authenticated;
grant insert, update on public.scores to authenticated;

drop policy if exists "scores are readable by everyone" on public.scores;
create policy "scores are readable by everyone"
    on public.scores for select
    to anon, authenticated
    using (true);

drop policy if exists "users insert their own score" on public.scores;
create policy "users insert their own score"
    on public.scores for insert
    to authenticated
    with check (user_id = (select auth.uid()));

drop policy if exists "users update their own score" on public.scores;
create policy "users update their own score"
    on public.scores for update
    to authenticated
    using (user_id = (select auth.uid()))
    with check (user_id = (select auth.uid()));
